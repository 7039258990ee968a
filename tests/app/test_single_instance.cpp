// Starts the real program twice: the second start shows the refusal and ends with 1 while the
// first keeps running; after the first was killed, the next start is not refused.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QFile>
#include <sys/ipc.h>
#include <sys/shm.h>

#include "support/test_support.h"

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
