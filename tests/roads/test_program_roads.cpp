// The program page's roads as a user runs them: Save and Save As to the controller and to a
// file, Open › File, an unplug in the middle of a write, and the page's file roads while the
// controller is away. No status request of the timer may enter a transfer; after the replug
// the road works again.
#include <QApplication>
#include <QComboBox>
#include <QLabel>

#include "tests/roads/program_road.h"
#include "widgets/c_dlg_message.h"

namespace roads {
namespace {

TEST_F(program_road, save_and_save_as_tarvix_write_the_changed_value)
{
    open_from_controller();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    driver_.clear();

    // Save writes what changed.
    type_negative_teach_limit(QStringLiteral("-1.50"));
    uint64_t seq = sim_->control().log_next_seq();
    driver_.press(ui::title_information(), QMessageBox::Ok);
    page_form()->bn_Save->click();
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"Information|" + label(171).toStdString()}));
    EXPECT_EQ(controller_negative_teach_limit(), -150);
    EXPECT_EQ(status_requests_inside(requests(seq)), 0);
    driver_.clear();

    // Save As › Tarvix writes everything.
    type_negative_teach_limit(QStringLiteral("-2.25"));
    const std::vector<wire_request> types = save_as_controller(ui::title_information());
    EXPECT_EQ(driver_.pending(), 0);
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"Information|" + label(171).toStdString()}));
    EXPECT_EQ(controller_negative_teach_limit(), -225);
    EXPECT_GT(types.size(), 79u);
    EXPECT_EQ(status_requests_inside(types), 0);
    driver_.clear();

    // Written: the page closes without a question, and the controller holds the value.
    close_program_page();
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
    open_from_controller();
    EXPECT_EQ(page_form()->ebx_CS_NegTeachLimit->value(), -225);
}

TEST_F(program_road, save_as_file_then_open_file_brings_the_program_back)
{
    open_from_controller();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    driver_.clear();
    type_negative_teach_limit(QStringLiteral("-3.00"));
    const QString path = QString::fromStdString(app_.file("roads.cdx"));
    save_as_file(path);
    EXPECT_EQ(driver_.pending(), 0);
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"Information|File save successfull"}));
    ASSERT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(QFileInfo(path).size(), qint64(image_layout::image_size));
    EXPECT_EQ(g_program_document().source, 2);
    EXPECT_EQ(g_program_document().file_name, path);
    driver_.clear();
    close_program_page();
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();

    open_file(path);
    EXPECT_EQ(driver_.pending(), 0);
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(g_program_document().source, 2);
    EXPECT_EQ(g_program_document().file_name, path);
    EXPECT_EQ(page_form()->ebx_CS_NegTeachLimit->value(), -300);
    EXPECT_EQ(g_config_image().header().field(hdr::neg_teach_limit), -300);
}

TEST_F(program_road, an_unplug_in_the_middle_of_save_as_tarvix_ends_in_its_error_box_and_keeps_the_edit)
{
    open_from_controller();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    driver_.clear();
    type_negative_teach_limit(QStringLiteral("-4.00"));
    // Only the changed settings go out (the rest equal what was read): the first of them.
    ask("fault unplug type=0x03 skip=0");
    save_as_controller(ui::title_error());
    EXPECT_EQ(driver_.pending(), 0);
    const std::vector<seen_dialog> boxes = driver_.boxes();
    ASSERT_EQ(boxes.size(), 1u) << driver_.summary().toStdString();
    EXPECT_EQ(boxes[0].title, ui::title_error());
    std::printf("unplug in Save As: %s\n", boxes[0].text.toStdString().c_str());
    EXPECT_FALSE(g_objects().progress_dialog->isVisible());
    // The page stays with the user's edit.
    EXPECT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(page_form()->ebx_CS_NegTeachLimit->value(), -400);
    EXPECT_TRUE(wait([] { return !g_link().connected; }, 3000)) << "the link timer never saw the unplug";
    driver_.clear();

    replug();
    const std::vector<wire_request> types = save_as_controller(ui::title_information());
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"Information|" + label(171).toStdString()}));
    EXPECT_EQ(controller_negative_teach_limit(), -400);
    EXPECT_EQ(status_requests_inside(types), 0);
}

// Unplugged while the page is up: Save As › File and Open › File work without the controller,
// the file whole; after the replug Open › Tarvix works again.
TEST_F(program_road, an_unplug_while_the_page_is_up_leaves_save_as_file_and_open_file_working)
{
    open_from_controller();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    driver_.clear();
    type_negative_teach_limit(QStringLiteral("-0.75"));
    ask("unplug");
    ASSERT_TRUE(wait([] { return !g_link().connected; }));
    // Save to the controller that is away: the error of the link, not one of a scanner the
    // controller would not have; the edit kept.
    driver_.press(ui::title_error(), QMessageBox::Ok);
    page_form()->bn_Save->click();
    EXPECT_EQ(driver_.pending(), 0);
    ASSERT_EQ(driver_.boxes().size(), 1u) << driver_.summary().toStdString();
    EXPECT_TRUE(driver_.boxes()[0].text.startsWith(QStringLiteral("USB-Host:"))) << driver_.summary().toStdString();
    EXPECT_EQ(page_form()->ebx_CS_NegTeachLimit->value(), -75);
    driver_.clear();
    const QString path = QString::fromStdString(app_.file("offline.cdx"));
    save_as_file(path);
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"Information|File save successfull"}));
    ASSERT_EQ(QFileInfo(path).size(), qint64(image_layout::image_size));
    driver_.clear();
    close_program_page();
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();

    open_file(path);
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(page_form()->ebx_CS_NegTeachLimit->value(), -75);
    close_program_page();
    driver_.clear();

    replug();
    open_from_controller();
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
    EXPECT_EQ(page(), int(c_frm_main::page_program));
}

// A changed scanner: Save asks whether the scanner is right, writes, and offers the reboot;
// the reset message stays up until the controller answers again after its reset, then goes.
TEST_F(program_road, a_changed_scanner_saved_with_a_reboot_shows_the_reset_message_until_the_controller_is_back)
{
    open_from_controller();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    driver_.clear();
    QComboBox* scanners = page_form()->cb_GS_Scanner;
    int row = -1;
    for (int i = 0; i < scanners->count() && row < 0; ++i)
        if (scanners->model()->data(scanners->model()->index(i, 1)).toInt() == 1)
            row = i;
    ASSERT_GE(row, 0);
    scanners->setCurrentIndex(row);
    driver_.press(ui::title_warning(), QMessageBox::Yes)
        .press(ui::title_information(), QMessageBox::Ok)
        .press(ui::title_confirm(), QMessageBox::Yes);
    page_form()->bn_Save->click();
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    ASSERT_EQ(driver_.boxes().size(), 3u) << driver_.summary().toStdString();
    EXPECT_EQ(driver_.boxes()[2].text, QString::fromLatin1(txt_message(28).c_str()));
    int32_t scanner = -1;
    EXPECT_TRUE(sim_->control().parameter(6, scanner));
    EXPECT_EQ(scanner, 1);

    const QString resetting = QString::fromLatin1(txt_message(29).c_str());
    const auto reset_message_shown = [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->text() == resetting)
                return true;
            if (auto* m = qobject_cast<c_dlg_message*>(w); m && m->l_Message()->text() == resetting)
                return true;
        }
        return false;
    };
    EXPECT_TRUE(reset_message_shown());
    ASSERT_TRUE(wait([] { return !g_link().connected; }));
    ASSERT_TRUE(wait([] { return g_link().connected && g_link().device_data_usable; }));
    EXPECT_TRUE(wait([&] { return !reset_message_shown(); }, 3000)) << "the reset message never closed";
}

// A file that is no program: Open › File shows the loader's error and the start page stays.
TEST_F(program_road, open_file_of_a_broken_program_shows_its_error_and_stays_on_the_start_page)
{
    const QString path = QString::fromStdString(app_.file("broken.cdx"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100, 'x'));
    }
    driver_.press(QStringLiteral("c_dlg_srcauswahl"), QStringLiteral("File"))
        .choose_file(QStringLiteral("fd_Load"), path)
        .press(ui::title_error(), QMessageBox::Ok);
    click(form()->ac_Open);
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    ASSERT_EQ(driver_.boxes().size(), 1u) << driver_.summary().toStdString();
    EXPECT_EQ(driver_.boxes()[0].text, QString::fromLatin1(txt_error(1, 22).value_or("").c_str()));
    EXPECT_EQ(page(), int(c_frm_main::page_start));
    EXPECT_EQ(g_shell().window_mode, wm_start);
    EXPECT_TRUE(window_->menuBar()->isVisible());
}

}  // namespace
}  // namespace roads
