// The downloader runner with a fake flashcli (a shell script installed as ./flashcli/flashcli
// in a temporary application directory): the outcomes and their texts, the retry question,
// the end limit, a crash, the output pane and the receive gate.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QGraphicsView>
#include <QLayout>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

#include "app/c_frm_main.h"
#include "app/c_sndhex.h"
#include "app/flashcli_command.h"
#include "core/files/konfig_cfg.h"
#include "core/link/hid_link.h"
#include "state/shell_state.h"
#include "ui_c_frm_main.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

namespace fs = std::filesystem;

// The fake flashcli: its first argument picks what it does.
const char* const k_fake = R"(#!/bin/sh
case "$1" in
  ok-error) printf 'ERROR: the word alone decides nothing\n'; exit 0 ;;
  exit3) printf 'failing\n'; exit 3 ;;
  hang) echo $$ > "$2"; exec sleep 30 ;;
  crash) printf 'going\n'; ulimit -c 0; kill -SEGV $$ ;;
  pieces) printf 'one\n'; sleep 0.2; printf 'two\n'; sleep 0.2; printf 'thr\000ee'; exit 0 ;;
  silent) exit 0 ;;
  args) shift; for a in "$@"; do printf '[%s]' "$a"; done; exit 0 ;;
  input) read line && exit 0; exit 7 ;;
esac
exit 1
)";

struct runner : ui_testing::app_first, ::testing::Test {
    fs::path dir;
    fs::path old_dir = fs::current_path();
    std::unique_ptr<c_frm_main> w;
    ui_testing::scripted_ui script;

    runner()
    {
        shell_reset_for_tests();
        hid_link_reset_for_tests();
        g_sndhex_limits().reset();
        dir = fs::temp_directory_path() / ("runner-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "flashcli");
        std::ofstream(dir / "flashcli" / "flashcli") << k_fake;
        fs::permissions(dir / "flashcli" / "flashcli", fs::perms::owner_all);
        fs::current_path(dir);
        w = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
        w->link_timer()->stop();
        w->show();
    }
    ~runner() override
    {
        w.reset();
        fs::current_path(old_dir);
        fs::remove_all(dir);
        g_sndhex_limits().reset();
        shell_reset_for_tests();
    }
    bool run(const char* arguments, bool retry)
    {
        return w->run_flashcli(QByteArray(flashcli_program) + " " + arguments, retry);
    }
    QString pane() const { return g_objects().output_pane->toPlainText(); }
    c_sndhex& r() const { return *g_objects().runner; }
};

QString code_text(int code)
{
    return QStringLiteral("Host: Update-Utility FLASHCLI.EXE returned an error (Code %1)! Retry?").arg(code);
}

// One run: the command's argument, the retry flag, the answers to the questions it raises
// (each a Yes or a No to the same error text), the result and what the pane holds after it.
struct outcome_case {
    const char* name;
    const char* arguments;
    bool retry;
    QString box;                  // the question's text; empty: no question
    std::vector<int> answers;
    bool result;
    int32_t run_state;
    int32_t exit_code;
    QString pane;
};

TEST_F(runner, outcomes_as_a_table)
{
    const outcome_case cases[] = {
        {"status 0 with error words is a success", "ok-error", true, {}, {}, true, 0, 0,
         QStringLiteral("ERROR: the word alone decides nothing\n")},
        {"status 3 asks with its code", "exit3", true, code_text(3), {ui::no}, false, 0, 3, QStringLiteral("failing\n")},
        {"status 3 repeats the same line on Yes", "exit3", true, code_text(3), {ui::yes, ui::no}, false, 0, 3,
         QStringLiteral("failing\n")},
        {"without retry a failure shows nothing", "exit3", false, {}, {}, false, 0, 3, QStringLiteral("failing\n")},
        {"a crash is a failure", "crash", true, code_text(SIGSEGV), {ui::no}, false, 0, SIGSEGV,
         QStringLiteral("going\n")},
        {"a silent child leaves the pane empty", "silent", false, {}, {}, true, 0, 0, QString()},
        {"arguments split at blanks outside quotes", "args H:E  \"=\" ) \"./a dir/x\"  N:\"/p q/f.hex\"", false, {}, {},
         true, 0, 0, QStringLiteral("[H:E][=][)][./a dir/x][N:/p q/f.hex]")},
        {"standard input is closed", "input", false, {}, {}, false, 0, 7, QString()},
    };
    // A child that waited for input would end only at this limit.
    g_sndhex_limits().end_ms = 20000;
    for (const outcome_case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int a : c.answers)
            script.expect_error(c.box, a);
        EXPECT_EQ(run(c.arguments, c.retry), c.result);
        EXPECT_TRUE(script.verify_consumed());
        int32_t state = -1, code = -1;
        QString text;
        r().get_result(state, code, text);
        EXPECT_EQ(state, c.run_state);
        EXPECT_EQ(code, c.exit_code);
        EXPECT_EQ(pane(), c.pane);
        // The picture is back, alone in its place, and the pane hidden after every run.
        EXPECT_FALSE(g_objects().output_pane->isVisible());
        EXPECT_TRUE(w->form()->graphicsView->isVisible());
        EXPECT_EQ(w->form()->page_Main->layout()->count(), 1);
        EXPECT_TRUE(hid_gate_is_set());
    }
}

TEST_F(runner, a_missing_program_fails_at_once_and_the_question_repeats_it)
{
    fs::remove(dir / "flashcli" / "flashcli");
    const QString text = QStringLiteral("Host: Update-Utility flashcli.exe could not be started!\n");
    script.expect_box_containing(ui::box_kind::critical, ui::title_error(), text, ui::yes)
        .expect_box_containing(ui::box_kind::critical, ui::title_error(), text, ui::yes)
        .expect_box_containing(ui::box_kind::critical, ui::title_error(), text, ui::no);
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(run("silent", true));
    EXPECT_LT(t.elapsed(), 10000);
    EXPECT_TRUE(script.verify_consumed());
    int32_t state = -1, code = -1;
    QString error;
    r().get_result(state, code, error);
    EXPECT_EQ(state, sndhex_not_started);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(runner, a_child_past_the_end_limit_is_ended)
{
    g_sndhex_limits().end_ms = 500;
    const fs::path pid_file = dir / "pid";
    script.expect_box_containing(ui::box_kind::critical, ui::title_error(),
                                 QStringLiteral("Host: USB connection error occured!\n"), ui::no);
    EXPECT_FALSE(run(("hang " + pid_file.string()).c_str(), true));
    EXPECT_TRUE(script.verify_consumed());
    int32_t state = -1, code = -1;
    QString error;
    r().get_result(state, code, error);
    EXPECT_EQ(state, sndhex_not_ended);
    EXPECT_EQ(code, 0);
    pid_t pid = 0;
    std::ifstream(pid_file) >> pid;
    ASSERT_GT(pid, 0);
    // Ended and reaped: no process of that number is left.
    EXPECT_NE(::kill(pid, 0), 0);
}

TEST_F(runner, output_in_pieces_is_shown_in_order_while_the_gate_is_closed)
{
    std::vector<std::pair<QString, bool>> seen;  // pane text and gate at each notification
    QObject::connect(&r(), &c_sndhex::sndHexOutput, w.get(), [&] {
        seen.emplace_back(pane(), hid_gate_is_set());
        EXPECT_TRUE(g_objects().output_pane->isVisible());
        EXPECT_FALSE(w->form()->graphicsView->isVisible());
        EXPECT_EQ(w->form()->page_Main->layout()->indexOf(g_objects().output_pane), 0);
        EXPECT_EQ(w->form()->page_Main->layout()->count(), 1);
    });
    EXPECT_TRUE(run("pieces", false));
    // A chunk is shown up to its first zero byte.
    EXPECT_EQ(pane(), QStringLiteral("one\ntwo\nthr"));
    ASSERT_GE(seen.size(), 2u);
    for (const auto& s : seen)
        EXPECT_FALSE(s.second) << "the receive gate was open during the run";
    EXPECT_TRUE(hid_gate_is_set());

    // The second run clears the pane first.
    EXPECT_TRUE(run("args second", false));
    EXPECT_EQ(pane(), QStringLiteral("[second]"));
}

TEST_F(runner, the_head_of_every_line_carries_the_language)
{
    reset_konfig_for_tests();
    EXPECT_EQ(flashcli_command_head(), QByteArray("./flashcli/flashcli H:E  \"=\" ) "));
    g_konfig().language = 1;
    EXPECT_EQ(flashcli_command_head(), QByteArray("./flashcli/flashcli H:D  \"=\" ) "));
    reset_konfig_for_tests();
}

}  // namespace
