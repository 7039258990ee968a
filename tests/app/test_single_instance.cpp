// Starts the real program twice: the second start shows the refusal and ends with 1 while the
// first keeps running; after the first was killed, the next start is not refused.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QFile>
#include <QTextCodec>
#include <QThread>
#include <sys/ipc.h>
#include <sys/shm.h>

#include "support/test_support.h"
#include "tests/sim/tvxsim_process.h"

namespace {

constexpr int deadline_ms = 120000;

QCoreApplication& core_app()
{
    static int argc = 1;
    static char name[] = "test_app_single_instance";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

struct single_instance : ::testing::Test {
    single_instance() { core_app(); }

    testing_support::temp_dir tmp;       // the guard's key files: apart from other runs
    testing_support::temp_dir data;      // PROGRAMDATA
    testing_support::temp_dir elsewhere; // the working directory the program is started from
    QString program = qEnvironmentVariable("TARVIX_APP_DIR") + QStringLiteral("/TarvixStudio");

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(tmp.path()));
        env.insert(QStringLiteral("PROGRAMDATA"), QString::fromStdString(data.path()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TARVIX_AUTO_ANSWER"), QStringLiteral("1"));
        // The program keeps its windows to the end on purpose.
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        env.remove(QStringLiteral("TARVIX_SCREENSHOT"));
        return env;
    }

    void start(QProcess& p, const QProcessEnvironment& env)
    {
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QString::fromStdString(elsewhere.path()));
        p.start(program, QStringList());
        ASSERT_TRUE(p.waitForStarted(deadline_ms)) << program.toStdString();
    }

    // True once a running process is attached to the program's segment. Read with the bare
    // System V calls: a QSharedMemory probe would itself attach and detach, and could drop a
    // segment that an instance has created but not yet attached.
    bool segment_held() const
    {
        const QDir dir(QString::fromStdString(tmp.path()));
        const QStringList files = dir.entryList({QStringLiteral("qipc_sharedmemory_*")}, QDir::Files);
        if (files.isEmpty())
            return false;
        const key_t key = ftok(QFile::encodeName(dir.filePath(files.first())).constData(), 'Q');
        if (key == -1)
            return false;
        const int id = shmget(key, 0, 0400);
        shmid_ds ds{};
        return id != -1 && shmctl(id, IPC_STAT, &ds) == 0 && ds.shm_nattch > 0;
    }
};

TEST_F(single_instance, second_start_is_refused_and_the_first_keeps_running)
{
    QProcess first;
    start(first, environment());

    QElapsedTimer waited;
    waited.start();
    while (!segment_held()) {
        ASSERT_EQ(first.state(), QProcess::Running) << first.readAllStandardError().toStdString();
        ASSERT_LT(waited.elapsed(), deadline_ms) << "the first instance never took the guard";
        first.waitForFinished(50);  // a short wait that also ends at once if it exits
    }

    QProcess second;
    start(second, environment());
    ASSERT_TRUE(second.waitForFinished(deadline_ms));
    const QString log = QString::fromLocal8Bit(second.readAllStandardError());
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 1) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("WARNING : Error: The program is already running! Only 1 instance is allowed!")))
        << log.toStdString();
    // The program's own directory became its current one, whatever it was started from.
    EXPECT_TRUE(log.contains(QStringLiteral("AktuellerPfad: ") + qEnvironmentVariable("TARVIX_APP_DIR")))
        << log.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);

    // Killed: no release. The next start drops the orphaned segment and runs.
    first.kill();
    ASSERT_TRUE(first.waitForFinished(deadline_ms));

    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("TARVIX_SCREENSHOT"), QString::fromStdString(tmp.file("shot.png")));
    env.insert(QStringLiteral("TARVIX_RUN_SECONDS"), QStringLiteral("1"));
    QProcess third;
    start(third, env);
    ASSERT_TRUE(third.waitForFinished(deadline_ms));
    const QString thirdLog = QString::fromLocal8Bit(third.readAllStandardError());
    EXPECT_EQ(third.exitCode(), 0) << thirdLog.toStdString();
    EXPECT_FALSE(thirdLog.contains(QStringLiteral("already running"))) << thirdLog.toStdString();
}

// A number from the simulator's counters ("name=value").
uint64_t counter(testing_support::tvxsim_process& sim, const std::string& name)
{
    const std::string all = sim.control().counters();
    const size_t at = all.find(name + "=");
    return at == std::string::npos ? 0 : std::stoull(all.substr(at + name.size() + 1));
}

// Against the simulated controller: a refused instance never opens the controller, not even
// while its warning is open (3 s), and ends with 1 every time, however its threads stand;
// the first keeps its link.
TEST_F(single_instance, refused_instance_never_talks_to_the_controller_and_ends_with_1)
{
    testing_support::tvxsim_process sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("TARVIX_HID_SIM"), QString::fromStdString(sim.folder()));
    QProcess first;
    start(first, env);
    QElapsedTimer waited;
    waited.start();
    while (!segment_held() || counter(sim, "requests") < 10) {
        ASSERT_EQ(first.state(), QProcess::Running) << first.readAllStandardError().toStdString();
        ASSERT_LT(waited.elapsed(), deadline_ms) << "the first instance never connected";
        first.waitForFinished(50);
    }

    const uint64_t connections = counter(sim, "connections");
    for (int run = 0; run < 20; ++run) {
        SCOPED_TRACE(run);
        const uint32_t looks = sim.control().looks(0);
        QProcessEnvironment second_env = env;
        second_env.insert(QStringLiteral("TARVIX_AUTO_ANSWER"), run == 0 ? QStringLiteral("3000") : QStringLiteral("200"));
        QProcess second;
        start(second, second_env);
        ASSERT_TRUE(second.waitForFinished(deadline_ms));
        const std::string log = second.readAllStandardError().toStdString();
        ASSERT_EQ(second.exitStatus(), QProcess::NormalExit) << log;
        ASSERT_EQ(second.exitCode(), 1) << log;
        EXPECT_EQ(sim.control().looks(0), looks) << "the refused instance looked at the controller";
    }

    const uint64_t requests = counter(sim, "requests");
    waited.restart();
    while (counter(sim, "requests") < requests + 10 && waited.elapsed() < deadline_ms)
        QThread::msleep(20);
    EXPECT_GE(counter(sim, "requests"), requests + 10) << "the first instance lost its link";
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(counter(sim, "connections"), connections);
    first.kill();
    ASSERT_TRUE(first.waitForFinished(deadline_ms));
}

// A data folder whose name is not Latin-1 (a Polish and a Cyrillic letter) is usable.
TEST_F(single_instance, starts_with_a_data_folder_named_in_letters_outside_latin1)
{
    QTextCodec* const locale = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    const QString folder = QString::fromStdString(data.path()) + QStringLiteral("/Dane_\u0142\u0434");
    ASSERT_TRUE(QDir().mkpath(folder));
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("PROGRAMDATA"), folder);
    env.insert(QStringLiteral("TARVIX_SCREENSHOT"), QString::fromStdString(tmp.file("shot.png")));
    env.insert(QStringLiteral("TARVIX_RUN_SECONDS"), QStringLiteral("1"));
    QProcess p;
    start(p, env);
    QTextCodec::setCodecForLocale(locale);
    ASSERT_TRUE(p.waitForFinished(deadline_ms));
    const std::string log = p.readAllStandardError().toStdString();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << log;
    EXPECT_EQ(p.exitCode(), 0) << log;
    EXPECT_TRUE(QDir(folder + QStringLiteral("/Tarvix/Tarvix_QT")).exists()) << log;
}

TEST_F(single_instance, two_started_together_leave_exactly_one_running)
{
    // The one that passes the guard keeps running far longer than any start-up can take, so
    // the other meets the guard held however slow the machine is; it ends at once with 1.
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("TARVIX_SCREENSHOT"), QString::fromStdString(tmp.file("shot.png")));
    env.insert(QStringLiteral("TARVIX_RUN_SECONDS"), QStringLiteral("600"));
    QProcess a, b;
    start(a, env);
    start(b, env);
    QProcess* refused = nullptr;
    QElapsedTimer waited;
    waited.start();
    while (!refused && waited.elapsed() < deadline_ms) {
        if (a.waitForFinished(50))
            refused = &a;
        else if (b.waitForFinished(50))
            refused = &b;
    }
    ASSERT_NE(refused, nullptr) << "neither instance was refused";
    QProcess* running = refused == &a ? &b : &a;
    const QString refusedLog = QString::fromLocal8Bit(refused->readAllStandardError());
    EXPECT_EQ(refused->exitCode(), 1) << refusedLog.toStdString();
    EXPECT_TRUE(refusedLog.contains(QStringLiteral("Only 1 instance is allowed!"))) << refusedLog.toStdString();
    EXPECT_EQ(running->state(), QProcess::Running);
    running->kill();
    ASSERT_TRUE(running->waitForFinished(deadline_ms));
}

}  // namespace
