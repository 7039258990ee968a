// The printout: the settings and function-table texts against fixture texts (a Premium
// program read from the controller, a Basic program from a file, an empty table), and
// printing through the printer prompt into two PDF files read back with pdftotext.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "core/device/device_info.h"
#include "core/files/scanner_lists.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "program/c_dlgw_program.h"
#include "program/program_print.h"
#include "program_dialogs/c_dlg_advancedoptions.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "ui_c_dlg_advancedoptions.h"
#include "ui_c_dlgw_program.h"
#include "widgets/c_dlg_progressbar.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace {

QString fixture(const QString& name)
{
    QFile f(QString::fromStdString(testing_support::source_dir()) + QStringLiteral("/tests/program/fixtures/") + name);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("(fixture %1 missing)").arg(name);
    return QString::fromUtf8(f.readAll());
}

struct print_test : ui_testing::app_first, ::testing::Test {
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        program_reset_for_tests();
        reset_scanner_lists_for_tests();
        g_device_info() = device_info_state{};
        page = std::make_unique<c_dlgw_program>();
        f = page->form();
        const char* names[] = {"AutoDetect", "ZP9 Angle", "ZP9LIN"};
        for (int i = 0; i < 3; ++i) {
            QStandardItemModel* m = program_scanner_model();
            m->insertRow(0);
            m->setData(m->index(0, 0), QString::fromLatin1(names[i]));
            m->setData(m->index(0, 1), i);
            g_scanner_lists().codes[size_t(i)] = i == 2 ? 1 : 0;
        }
        reset_config_image(g_config_image());
    }
    void TearDown() override
    {
        page.reset();
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        reset_scanner_lists_for_tests();
    }
    void use_function(uint32_t n, const char* name, int32_t mode, int32_t object_pos)
    {
        function_record r = g_config_image().function(n);
        r.set_in_use(true);
        r.set_name(name);
        r.set_field(fr::mode, mode);
        r.set_field(fr::object_pos, object_pos);
        r.set_field(fr::teach_limit, 27000);
        r.set_field(fr::tolerance, 300);
        r.set_field(fr::next_func, -1);
        r.set_field(fr::ko_func, -1);
    }
    // A Premium program as read from the controller.
    void premium_from_controller()
    {
        g_program_document().source = 1;
        g_program_document().file_name = QStringLiteral("NEWFILE");
        device_info_state& d = g_device_info();
        d.firmware.major = 1, d.firmware.minor = 15, d.firmware.patch = 13, d.firmware.build = 345;
        d.firmware.day = 5, d.firmware.month = 11, d.firmware.year = 2024;
        d.loader.major = 1, d.loader.minor = 2, d.loader.day = 1, d.loader.month = 2, d.loader.year = 2020;
        settings_header h = g_config_image().header();
        h.set_field(hdr::scanner, 1);
        h.set_field(hdr::scanning_mode, 2);
        h.set_field(hdr::preposition_intensity, 9);
        h.set_field(hdr::tolerance_offset, 0xFFFB);
        h.set_field(hdr::neg_teach_limit, -1205);
        h.set_field(hdr::out_pulse_time, 2);
        h.set_field(hdr::outputs_time, 750);
        use_function(0, "Drill A", 1, 1234);
        use_function(5, "Reamer \xB0" "5", 2, 9000);
        use_function(17, "Tap M8", 1, -500);
    }
    // A Basic program from a file.
    void basic_from_file()
    {
        g_device().family_flag = 1;
        g_program_document().source = 2;
        g_program_document().file_name = QStringLiteral("/data/basic.cdx");
        g_config_image().header().set_field(hdr::area_flag, 1);
        use_function(0, "Right", 1, 1000);
        use_function(1, "Left", 1, 2000);
    }
    QString settings_text()
    {
        page->show_program(&main);
        page->advanced_options()->load();
        print_context c = current_print_context();
        c.date = QStringLiteral("10.12.2026");
        c.time = QStringLiteral("12:34:56");
        return print_settings_text(*f, *page->advanced_options()->form(), c);
    }
    static void expect_fixture(const QString& text, const QString& name)
    {
        EXPECT_EQ(text.toStdString(), fixture(name).toStdString()) << name.toStdString();
    }
    QWidget main;
    std::unique_ptr<c_dlgw_program> page;
    Ui::c_dlgw_program* f = nullptr;
};

TEST_F(print_test, premium_program_from_the_controller)
{
    premium_from_controller();
    expect_fixture(settings_text(), QStringLiteral("print_premium_settings.txt"));
    expect_fixture(print_function_table_text(*f->tbwx_FuncTab), QStringLiteral("print_premium_table.txt"));
}

TEST_F(print_test, basic_program_from_a_file)
{
    basic_from_file();
    expect_fixture(settings_text(), QStringLiteral("print_basic_settings.txt"));
    expect_fixture(print_function_table_text(*f->tbwx_FuncTab), QStringLiteral("print_basic_table.txt"));
}

TEST_F(print_test, an_empty_table_prints_its_header_line_only)
{
    page->show_program(&main);
    const QString text = print_function_table_text(*f->tbwx_FuncTab);
    EXPECT_EQ(text.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(text.startsWith(QStringLiteral("FuncNo   Name         Mode     BackMode")));
}

TEST_F(print_test, columns_stay_aligned_with_a_degree_sign)
{
    premium_from_controller();
    page->show_program(&main);
    const QStringList lines = print_function_table_text(*f->tbwx_FuncTab).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    for (const QString& l : lines.mid(1))
        EXPECT_EQ(l.size(), lines[1].size()) << l.toStdString();
}

TEST_F(print_test, table_file_name_gets_functions_before_the_suffix)
{
    EXPECT_EQ(function_table_file_name(QStringLiteral("/tmp/a.pdf")), QStringLiteral("/tmp/a-functions.pdf"));
    EXPECT_EQ(function_table_file_name(QStringLiteral("/tmp/b.PDF")), QStringLiteral("/tmp/b-functions.PDF"));
    EXPECT_EQ(function_table_file_name(QStringLiteral("/tmp/c")), QStringLiteral("/tmp/c-functions"));
}

struct pdf_print_test : print_test {
    testing_support::temp_dir tmp;
    ui_testing::scripted_ui script;
    QString path(const char* name) const { return QString::fromStdString(tmp.file(name)); }
    static QByteArray read(const QString& name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }
    static QString run(const QString& program, const QStringList& args)
    {
        QProcess p;
        p.start(program, args);
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
};

TEST_F(pdf_print_test, printing_through_the_prompt_writes_two_pdfs)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (pdftotext.isEmpty() || pdfinfo.isEmpty())
        GTEST_SKIP() << "pdftotext and pdfinfo (poppler-utils) are not installed";
    premium_from_controller();
    page->show_program(&main);
    c_dlg_progressbar progress(nullptr);
    g_objects().progress_dialog = &progress;
    script.expect_printer(path("conf.pdf"));
    page->on_bn_Print_clicked();
    g_objects().progress_dialog = nullptr;
    ASSERT_TRUE(QFileInfo::exists(path("conf.pdf")));
    ASSERT_TRUE(QFileInfo::exists(path("conf-functions.pdf")));
    EXPECT_EQ(script.progress_titles(), std::vector<QString>{QStringLiteral("Printing Data!  Please wait ...!")});
    EXPECT_EQ(progress.l_FileInfo()->text(), QStringLiteral("Status: Busy ...."));
    EXPECT_TRUE(progress.l_FileInfo()->isHidden());

    const QString settings = run(pdftotext, {QStringLiteral("-layout"), path("conf.pdf"), QStringLiteral("-")});
    EXPECT_TRUE(settings.contains(QStringLiteral("Tarvix Configuration")));
    EXPECT_TRUE(settings.contains(QRegularExpression(QStringLiteral("Scanning Mode:\\s+Fast\\n")))) << settings.toStdString();
    EXPECT_FALSE(settings.contains(QStringLiteral("FuncNo")));

    const QString table = run(pdftotext, {QStringLiteral("-layout"), path("conf-functions.pdf"), QStringLiteral("-")});
    QStringList lines;
    const QRegularExpression page_number(QStringLiteral("^\\d+$"));
    for (const QString& l : table.split(QLatin1Char('\n'))) {
        const QString s = l.trimmed().remove(QLatin1Char('\f'));
        if (!s.isEmpty() && !page_number.match(s).hasMatch())
            lines << l;
    }
    ASSERT_EQ(lines.size(), 4) << table.toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("FuncNo")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("Drill A")));
    EXPECT_TRUE(lines[3].contains(QStringLiteral("Tap M8")));

    const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+)"))
                                             .match(run(pdfinfo, {path("conf-functions.pdf")}));
    ASSERT_TRUE(size.hasMatch());
    EXPECT_GT(size.captured(1).toDouble(), size.captured(2).toDouble());  // landscape
}

TEST_F(pdf_print_test, a_refused_dialog_prints_nothing_and_an_unwritable_folder_is_an_error)
{
    page->show_program(&main);
    script.expect_printer(QString());
    page->on_bn_Print_clicked();
    EXPECT_TRUE(QDir(QString::fromStdString(tmp.path())).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(script.progress_titles().empty());

    script.expect_printer(path("missing/conf.pdf"))
        .expect_box(ui::box_kind::critical, ui::title_error(), QStringLiteral("Host: File Write Error!"));
    page->on_bn_Print_clicked();
    EXPECT_TRUE(script.verify_consumed());
    EXPECT_TRUE(script.progress_titles().empty());
}

// A print to PDF files replaces both files or neither: a refused or failed print leaves the
// old files byte for byte and nothing beside them, a FIFO in either place is refused at once,
// and a link is written through to its target and stays a link.
TEST_F(pdf_print_test, a_refused_or_failed_print_leaves_the_old_pdfs_as_they_were)
{
    premium_from_controller();
    page->show_program(&main);
    const QByteArray old_settings = "old settings pdf", old_table = "old table pdf";
    struct row {
        const char* name;
        // Prepares `dir` (the two old files are there) and returns the name to print to;
        // empty: the row is skipped with `skip`.
        std::function<QString(const std::string& dir)> prepare;
        bool cancelled;
    };
    std::unique_ptr<testing_support::fifo_watchdog> fifo;
    std::unique_ptr<testing_support::small_filesystem> small;
    std::string skip;
    auto old_files = [&](const std::string& dir) {
        QFile a(QString::fromStdString(dir + "/conf.pdf")), b(QString::fromStdString(dir + "/conf-functions.pdf"));
        return a.open(QIODevice::WriteOnly) && a.write(old_settings) == old_settings.size() && b.open(QIODevice::WriteOnly) &&
               b.write(old_table) == old_table.size();
    };
    const std::vector<row> rows = {
        {"the print dialog refused", [](const std::string& dir) { return QString::fromStdString(dir + "/conf.pdf"); }, true},
        {"the table file read-only",
         [](const std::string& dir) {
             ::chmod((dir + "/conf-functions.pdf").c_str(), 0444);
             return QString::fromStdString(dir + "/conf.pdf");
         },
         false},
        {"the settings name a FIFO",
         [&](const std::string& dir) {
             fifo = std::make_unique<testing_support::fifo_watchdog>(dir + "/pipe.pdf");
             return QString::fromStdString(dir + "/pipe.pdf");
         },
         false},
        {"the table name a FIFO",
         [&](const std::string& dir) {
             ::unlink((dir + "/conf-functions.pdf").c_str());
             fifo = std::make_unique<testing_support::fifo_watchdog>(dir + "/conf-functions.pdf");
             return QString::fromStdString(dir + "/conf.pdf");
         },
         false},
        {"a full disk",
         [&](const std::string& dir) {
             small = std::make_unique<testing_support::small_filesystem>(dir + "/small", 256);
             if (!small->mounted()) {
                 skip = small->why_not();
                 return QString();
             }
             if (!old_files(dir + "/small"))
                 return QString();
             small->fill();
             return QString::fromStdString(dir + "/small/conf.pdf");
         },
         false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        testing_support::temp_dir dir;
        ASSERT_TRUE(old_files(dir.path()));
        skip.clear();
        const QString name = r.prepare(dir.path());
        if (name.isEmpty()) {
            std::printf("skipped: %s (%s)\n", r.name, skip.c_str());
            continue;
        }
        const QDir folder = QFileInfo(name).dir();
        const QStringList before = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        script.expect_printer(r.cancelled ? QString() : name);
        if (!r.cancelled)
            script.expect_box(ui::box_kind::critical, ui::title_error(), QStringLiteral("Host: File Write Error!"));
        QElapsedTimer clock;
        clock.start();
        page->on_bn_Print_clicked();
        EXPECT_LT(clock.elapsed(), 1000);
        EXPECT_TRUE(script.verify_consumed());
        if (fifo) {
            EXPECT_TRUE(fifo->made());
            EXPECT_FALSE(fifo->fired()) << "the print waited on the FIFO";
        }
        for (const char* file : {"conf.pdf", "conf-functions.pdf"})
            if (folder.exists(QLatin1String(file)) && QFileInfo(folder.filePath(QLatin1String(file))).isFile()) {
                EXPECT_EQ(read(folder.filePath(QLatin1String(file))), QByteArray(file[4] == '.' ? old_settings : old_table)) << file;
            }
        EXPECT_EQ(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot), before);
        fifo.reset();
        small.reset();
    }

    // A link is printed through: its target gets the new file, the link stays.
    testing_support::temp_dir dir;
    ASSERT_TRUE(old_files(dir.path()));
    ASSERT_EQ(::symlink("conf.pdf", (dir.path() + "/link.pdf").c_str()), 0);
    ASSERT_EQ(::symlink("conf-functions.pdf", (dir.path() + "/link-functions.pdf").c_str()), 0);
    script.expect_printer(QString::fromStdString(dir.path() + "/link.pdf"));
    page->on_bn_Print_clicked();
    EXPECT_TRUE(script.verify_consumed());
    for (const char* link : {"/link.pdf", "/link-functions.pdf"})
        EXPECT_TRUE(QFileInfo(QString::fromStdString(dir.path() + link)).isSymLink()) << link;
    EXPECT_TRUE(read(QString::fromStdString(dir.path() + "/conf.pdf")).startsWith("%PDF"));
    EXPECT_TRUE(read(QString::fromStdString(dir.path() + "/conf-functions.pdf")).startsWith("%PDF"));
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 4);
}

}  // namespace
