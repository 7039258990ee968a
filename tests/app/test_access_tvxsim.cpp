// A customer configuration name entered at "Support" prepares the newest matching file, and
// the next FW Update sends it to the controller as its 36 configuration records.
#include <QDir>
#include <QFile>
#include <QLineEdit>

#include "app/c_dlg_password.h"
#include "core/files/parameter_files.h"
#include "core/text/text_tables.h"
#include "tests/app/update_fixture.h"
#include "ui_c_dlg_password.h"

namespace {

using namespace update_testing;

QString message(long n) { return QString::fromLatin1(txt_message(n).c_str()); }
QString label(long n) { return QString::fromLatin1(txt_label(n).c_str()); }

TEST_F(update_world, a_customer_name_prepares_the_file_that_the_next_fw_update_sends)
{
    // Installed files the controller already runs: FW Update only sends the configuration.
    update_images::installed_set files;
    files.firmware = {1, 16, 2, 0};
    files.loader = {1, 5, 0, 0};
    for (uint16_t i = 0; i < 7; ++i)
        files.logic.push_back({3, 20, uint16_t(48 + 16 * i)});
    QDir().mkpath(QString::fromStdString(path("tvx_config")));
    for (const char* name : {"5207101_a.bin", "5207101_b.bin"}) {
        QByteArray records(2016, char(name[8]));
        const uint32_t number = 5207101;
        for (int i = 0; i < 4; ++i)
            records[i] = char((number >> (8 * i)) & 0xFF);
        QFile f(QString::fromStdString(path(std::string("tvx_config/") + name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(records);
    }
    start(files);

    script.expect_modal(QStringLiteral("c_dlg_password"), [](QWidget* d) {
        static_cast<c_dlg_password*>(d)->form()->eb_Password->setText(QStringLiteral("WUPT"));
        return int(QDialog::Accepted);
    });
    script.expect_question(message(89), ui::yes)
        .expect_box(ui::box_kind::question, ui::title_information(),
                    message(87).replace(QStringLiteral("%s"), QStringLiteral("./tvx_Config/5207101_b.bin")), ui::ok);
    window->on_ac_Support_triggered();
    ASSERT_TRUE(script.verify_consumed());
    ASSERT_TRUE(g_customer_config().pending);
    EXPECT_EQ(ask("records36").rfind("complete=0", 0), 0u);

    script.expect_warning(message(67), ui::ok)
        .expect_question(QStringLiteral("The current FW version of the control unit is 1.16.02.045.\nDo you want to "
                                        "program another FW?"),
                         ui::no)
        .expect_information(label(452));
    window->on_ac_FW_Update_triggered();
    EXPECT_TRUE(script.verify_consumed());
    EXPECT_EQ(ask("records36"), "complete=1 received=0xfffffffff config=5207101");
    EXPECT_FALSE(g_customer_config().pending);
}

}  // namespace
