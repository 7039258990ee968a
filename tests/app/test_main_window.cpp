// The main window: its actions and menus at start, the pages and the close rules, and the
// entry into waiting mode.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGraphicsView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>
#include <memory>

#include "app/c_frm_main.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/link/c_thrrcv.h"
#include "core/text/text_tables.h"
#include "program/c_dlgw_program.h"
#include "scanner/c_dlgw_scannerfull.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_program.h"
#include "ui_c_dlgw_scannerfull.h"
#include "ui_c_frm_main.h"
#include "widgets/c_dlg_message.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

struct main_window : ui_testing::app_first, ::testing::Test {
    main_window() { shell_reset_for_tests(); }
    ~main_window() override { shell_reset_for_tests(); }

    std::unique_ptr<c_frm_main> make(const QStringList& arguments = {QStringLiteral("TarvixStudio")})
    {
        auto w = std::make_unique<c_frm_main>(arguments);
        w->link_timer()->stop();  // ticks are driven by hand
        w->show();
        return w;
    }

    static int page(c_frm_main& w) { return w.form()->stackedWidget->currentIndex(); }
    static bool menu_bar_shown(c_frm_main& w) { return w.menuBar()->isVisibleTo(&w); }

    ui_testing::scripted_ui script;
};

// A hidden action is also disabled (Qt's rule), so the menus never offer it.
struct action_row {
    const char* name;
    const char* text;
    bool visible;
    bool enabled;
    bool checkable;
};

TEST_F(main_window, actions_and_menus_at_start)
{
    auto w = make();
    const action_row rows[] = {
        {"ac_New", "&New", true, true, false},
        {"ac_Open", "&Open", true, true, false},
        {"ac_Scanner", "&Scanner", true, false, false},
        {"ac_ProcessMonitor", "Process Monitor", false, false, false},
        {"ac_Quit", "&Quit", true, true, false},
        {"ac_ManualMode", "&Manual Mode", true, true, false},
        {"ac_CreateClone", "&Create Clone", true, true, false},
        {"ac_ProgramClone", "&Program Clone", true, true, false},
        {"ac_FactoryDefaults", "&Factory Defaults", true, true, false},
        {"ac_ClearEEPROM", "Clear EEPROM", false, false, false},
        {"ac_ClearNonVolatileMemory", "Clear Non Volatile Memory", true, true, false},
        {"ac_Reset", "&Reset", true, true, false},
        {"ac_Language", "&Language", true, true, false},
        {"ac_Support", "&Support", true, true, true},
        {"ac_Help", "Help", true, true, false},
        {"ac_FW_Update", "FW Update", true, false, false},
        {"ac_TPS_Update", "PROFINET-FW Update", false, false, false},
        {"ac_SystemInfo", "System Info", true, true, false},
        {"ac_About", "About", true, true, false},
        {"ac_Tests", "Tests", false, false, false},
    };
    const QList<QAction*> all = w->findChildren<QAction*>(QRegularExpression(QStringLiteral("^ac_")));
    EXPECT_EQ(all.size(), int(std::size(rows)));
    for (const action_row& r : rows) {
        SCOPED_TRACE(r.name);
        auto* a = w->findChild<QAction*>(QLatin1String(r.name));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QLatin1String(r.text));
        EXPECT_EQ(a->isVisible(), r.visible);
        EXPECT_EQ(a->isEnabled(), r.enabled);
        EXPECT_EQ(a->isCheckable(), r.checkable);
        EXPECT_FALSE(a->isChecked());
    }
    EXPECT_EQ(w->form()->ac_TPS_Update->toolTip(), QStringLiteral("Update the Firmware in PROFINET Chip"));

    // Menus in order, each with its entries in order ("-" a separator).
    struct menu_row {
        QMenu* menu;
        const char* title;
        bool enabled;
        QStringList entries;
    };
    const menu_row menus[] = {
        {w->form()->menu_File, "&File", true,
         {"ac_New", "ac_Open", "-", "ac_Scanner", "-", "ac_ProcessMonitor", "-", "ac_Quit"}},
        {w->form()->menu_Tarvix, "&Tarvix", false,
         {"ac_ManualMode", "-", "ac_CreateClone", "ac_ProgramClone", "-", "ac_FactoryDefaults", "ac_ClearEEPROM",
          "ac_ClearNonVolatileMemory", "-", "ac_Reset"}},
        {w->form()->menu_Options, "&Options", true, {"ac_Language", "ac_Support"}},
        {w->form()->menu, "?", true, {"ac_Help", "ac_FW_Update", "ac_TPS_Update", "ac_SystemInfo", "ac_About", "ac_Tests"}},
    };
    QList<QAction*> bar = w->menuBar()->actions();
    ASSERT_EQ(bar.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const menu_row& m = menus[i];
        SCOPED_TRACE(m.title);
        EXPECT_EQ(bar[i]->menu(), m.menu);
        EXPECT_EQ(m.menu->title(), QLatin1String(m.title));
        EXPECT_EQ(m.menu->isEnabled(), m.enabled);
        QStringList entries;
        for (QAction* a : m.menu->actions())
            entries << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        EXPECT_EQ(entries, m.entries);
    }

    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tarvix"));
    EXPECT_EQ(page(*w), int(c_frm_main::page_start));
    EXPECT_EQ(w->form()->stackedWidget->count(), 5);
    EXPECT_TRUE(w->form()->graphicsView->isVisibleTo(w.get()));
    EXPECT_TRUE(w->statusBar()->isVisibleTo(w.get()));
    EXPECT_FALSE(w->bn_STB_KO_ResetF->isVisibleTo(w.get()));
    EXPECT_EQ(g_shell().window_mode, int(wm_start));
    EXPECT_EQ(g_shell().waiting_state, 0);
    EXPECT_TRUE(w->link_timer() != nullptr);
    EXPECT_EQ(w->link_timer()->interval(), 800);
    EXPECT_FALSE(w->receive_thread()->isRunning());
}

namespace warnings {
QStringList seen;
void collect(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type != QtDebugMsg)
        seen << text;
}
}  // namespace warnings

// Every slot named like an automatic connection finds its object, or is connected by hand.
TEST_F(main_window, building_the_window_warns_of_no_slot_without_a_signal)
{
    warnings::seen.clear();
    const QtMessageHandler before = qInstallMessageHandler(warnings::collect);
    auto w = make();
    qInstallMessageHandler(before);
    EXPECT_TRUE(warnings::seen.filter(QStringLiteral("connectSlotsByName")).isEmpty())
        << warnings::seen.join(QLatin1Char('\n')).toStdString();
}

// The reset message is an ordinary window: the program stays usable, and Quit ends it.
TEST_F(main_window, quit_works_while_the_reset_message_shows)
{
    auto w = make();
    script.expect_question(QString::fromLatin1(txt_message(74).c_str()), ui::yes);
    w->form()->ac_Reset->trigger();
    c_dlg_message* box = g_objects().message_dialog;
    ASSERT_TRUE(box->isVisible());
    EXPECT_EQ(box->l_Message()->text(), QString::fromLatin1(txt_message(29).c_str()));
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    w->form()->ac_Quit->trigger();
    EXPECT_FALSE(w->isVisible());
    // Qt ends the program when no visible parentless window that quits on close is left.
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(top->isVisible() && !top->parentWidget() && top->testAttribute(Qt::WA_QuitOnClose))
            << top->metaObject()->className() << " keeps the program from ending";
    box->hide();
}

TEST_F(main_window, pages_sit_at_their_stack_indexes)
{
    auto w = make();
    QStackedWidget* s = w->form()->stackedWidget;
    EXPECT_EQ(s->widget(0)->objectName(), QStringLiteral("page_Main"));
    EXPECT_EQ(s->widget(1)->objectName(), QStringLiteral("c_dlgw_program"));
    EXPECT_EQ(s->widget(2)->objectName(), QStringLiteral("c_dlgw_manualx"));
    EXPECT_EQ(s->widget(3)->objectName(), QStringLiteral("c_dlgw_scannerfull"));
    EXPECT_EQ(s->widget(4)->objectName(), QStringLiteral("c_dlgw_procmon"));
    EXPECT_EQ(g_objects().main_window, w.get());
    EXPECT_NE(g_objects().source_dialog, nullptr);
    EXPECT_NE(g_objects().message_dialog, nullptr);
    EXPECT_EQ(g_objects().output_pane->size(), QSize(800, 600));
}

TEST_F(main_window, close_on_a_page_returns_to_the_start_page_and_a_second_close_quits)
{
    auto w = make();
    w->enter_page(c_frm_main::page_procmon, QStringLiteral("Process Monitor / SdCard"));
    g_shell().window_mode = 2;
    EXPECT_FALSE(menu_bar_shown(*w));

    EXPECT_FALSE(w->close());
    EXPECT_EQ(page(*w), int(c_frm_main::page_start));
    EXPECT_TRUE(menu_bar_shown(*w));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tarvix"));
    EXPECT_EQ(g_shell().window_mode, int(wm_start));
    EXPECT_TRUE(w->isVisible());

    EXPECT_TRUE(w->close());
    EXPECT_FALSE(w->isVisible());
}

TEST_F(main_window, each_page_answers_the_leave_question_its_own_way)
{
    auto w = make();
    // Manual page: always left, "Clear KO" hidden again.
    w->enter_page(c_frm_main::page_manual, QStringLiteral("Manual"));
    w->bn_STB_KO_ResetF->show();
    EXPECT_FALSE(w->close());
    EXPECT_EQ(page(*w), int(c_frm_main::page_start));
    EXPECT_FALSE(w->bn_STB_KO_ResetF->isVisibleTo(w.get()));

    // An unchanged program page lets the window go; a changed one asks, and Cancel stays.
    g_program_document().source = 2;
    g_program_document().file_name = QStringLiteral("/nowhere/p.cdx");
    reset_config_image(g_config_image());
    w->program_page()->show_program(w.get());
    w->enter_page(c_frm_main::page_program, QStringLiteral("Program"));
    emit w->program_page()->sig_Return();
    EXPECT_EQ(page(*w), int(c_frm_main::page_start));
    w->enter_page(c_frm_main::page_program, QStringLiteral("Program"));
    w->program_page()->form()->ebx_GS_MacId->setValue(12);
    script.expect_question(QStringLiteral("Save changed data set?"), ui::cancel);
    EXPECT_FALSE(w->close());
    EXPECT_EQ(page(*w), int(c_frm_main::page_program));
    script.expect_question(QStringLiteral("Save changed data set?"), ui::no);
    emit w->program_page()->sig_Return();
    EXPECT_EQ(page(*w), int(c_frm_main::page_start));

    // The scanner page asks about a changed record: Cancel stays, No leaves.
    w->enter_page(c_frm_main::page_scanner, QStringLiteral("Scanner"));
    w->scanner_page()->form()->ebx_PWM->setText(QStringLiteral("7"));
    script.expect_question(QStringLiteral("Save changed data set?"), ui::cancel);
    EXPECT_FALSE(w->close());
    EXPECT_EQ(page(*w), int(c_frm_main::page_scanner));
    EXPECT_FALSE(menu_bar_shown(*w));
    script.expect_question(QStringLiteral("Save changed data set?"), ui::no);
    EXPECT_FALSE(w->close());
    EXPECT_EQ(page(*w), int(c_frm_main::page_start));

    // Quit on the start page closes as the title-bar button does.
    w->form()->ac_Quit->trigger();
    EXPECT_FALSE(w->isVisible());
}

TEST_F(main_window, a_clone_file_argument_enters_waiting_mode_and_cancel_ends_the_program)
{
    auto w = make({QStringLiteral("TarvixStudio"), QStringLiteral("/data/a.clns"), QStringLiteral("/data/b.clns")});
    EXPECT_EQ(g_shell().clone_file, QStringLiteral("/data/a.clns"));
    EXPECT_EQ(g_shell().waiting_state, 1);
    EXPECT_FALSE(menu_bar_shown(*w));
    EXPECT_FALSE(w->statusBar()->isVisibleTo(w.get()));
    EXPECT_FALSE(w->form()->graphicsView->isVisibleTo(w.get()));

    QSignalSpy closeRequests(w.get(), &c_frm_main::sig_CloseRequest);
    w->waiting_mode_step(false);
    ASSERT_NE(w->waiting_box(), nullptr);
    EXPECT_EQ(g_shell().waiting_state, 2);
    EXPECT_TRUE(w->waiting_box()->isVisible());
    EXPECT_FALSE(w->waiting_box()->isModal());
    EXPECT_EQ(w->waiting_box()->windowTitle(), QStringLiteral("Information"));
    EXPECT_EQ(w->waiting_box()->text(),
              QStringLiteral("Waiting for Tarvix! To abort click [X]or the [Cancel]-Button!"));
    w->waiting_mode_step(false);
    EXPECT_EQ(g_shell().waiting_state, 2);

    w->waiting_box()->button(QMessageBox::Cancel)->click();
    w->waiting_mode_step(false);
    EXPECT_EQ(g_shell().waiting_state, 10);
    EXPECT_EQ(closeRequests.count(), 1);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(main_window, waiting_mode_marks_itself_before_programming_the_clone)
{
    auto w = make({QStringLiteral("TarvixStudio"), QStringLiteral("/data/a.clns")});
    script.expect_information(QString::fromLatin1(txt_message(82).c_str()).replace(QStringLiteral("%s"),
                                                                                   QStringLiteral("/data/a.clns")),
                              ui::cancel);
    w->waiting_mode_step(false);
    w->waiting_mode_step(true);
    EXPECT_EQ(g_shell().waiting_state, 3);
    EXPECT_FALSE(w->waiting_box()->isVisible());
    // Later ticks leave it alone; the programming (here cancelled) has ended the program by
    // itself.
    w->waiting_mode_step(false);
    EXPECT_EQ(g_shell().waiting_state, 3);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(main_window, about_box_names_program_version_and_date)
{
    auto w = make();
    QString text;
    script.expect_modal(QStringLiteral("Info"), [&](QWidget* d) {
        text = static_cast<QMessageBox*>(d)->text();
        return int(QMessageBox::Ok);
    });
    w->form()->ac_About->trigger();
    EXPECT_TRUE(text.contains(QStringLiteral("System Setup Tarvix")));
    EXPECT_TRUE(text.contains(QStringLiteral("Version:  01.34")));
    EXPECT_TRUE(text.contains(QStringLiteral("Date:  07.08.2019")));
    EXPECT_TRUE(text.contains(QStringLiteral("Scanner-Finder: ")));
}

}  // namespace
