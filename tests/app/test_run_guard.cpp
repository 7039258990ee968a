// The one-instance guard: its keys, one holder at a time, and a holder that died.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTextCodec>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

#include "app/app_directories.h"
#include "app/run_guard.h"
#include "state/shell_state.h"

namespace {

QString unique_key(const char* what)
{
    return QStringLiteral("TARVIX_TEST_%1_%2").arg(QLatin1String(what)).arg(getpid());
}

TEST(run_guard, keys_are_the_sha1_of_key_and_suffix)
{
    c_run_guard guard(QStringLiteral("TARVIX_HOST_QT"));
    EXPECT_EQ(guard.memory_lock_key(), QStringLiteral("b41286ab6b5b35de36ef53ae400225c181c2c9d7"));
    EXPECT_EQ(guard.shared_memory_key(), QStringLiteral("597be23e1675a7623790eada595ee0958acaa17d"));
    EXPECT_EQ(run_guard_key(QStringLiteral("TARVIX_HOST_QT"), QStringLiteral("_memLockKey")),
              guard.memory_lock_key());
}

TEST(run_guard, only_one_holder_until_it_releases)
{
    const QString key = unique_key("one");
    c_run_guard first(key);
    c_run_guard second(key);
    ASSERT_TRUE(first.try_to_run());
    EXPECT_FALSE(second.try_to_run());
    EXPECT_FALSE(second.try_to_run());
    first.release();
    EXPECT_TRUE(second.try_to_run());
    // A guard that a later guard built with the same key meets: still refused.
    c_run_guard third(key);
    EXPECT_FALSE(third.try_to_run());
}

TEST(run_guard, a_holder_that_died_without_release_does_not_block)
{
    const QString key = unique_key("died");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        c_run_guard guard(key);
        // Ends like a crash: no destructor, no release.
        _exit(guard.try_to_run() ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    c_run_guard next(key);
    EXPECT_TRUE(next.try_to_run());
}

}  // namespace

namespace {

TEST(start_up, directory_copies_refuse_what_they_cannot_hold)
{
    struct row {
        QString app;
        QString data;
        bool taken;
    } rows[] = {
        {QStringLiteral("/opt/tarvix"), QStringLiteral("/home/m\u00fcller/.local/share/Tarvix/Tarvix_QT"), true},
        {QStringLiteral("/opt/") + QString(570, QLatin1Char('a')), QStringLiteral("/d"), true},  // 575 characters
        {QStringLiteral("/opt/") + QString(571, QLatin1Char('a')), QStringLiteral("/d"), false},
        {QStringLiteral("/opt/tarvix"), QStringLiteral("/d/") + QString(573, QLatin1Char('b')), false},
        // Not Latin-1: kept in the file-name encoding (UTF-8), two bytes for each letter.
        {QStringLiteral("/opt/tarvix"), QStringLiteral("/home/\u0434\u0430\u043d\u0438/Tarvix"), true},
        {QStringLiteral("/opt/tarvix"), QStringLiteral("/home/\u0142") + QString(567, QLatin1Char('c')), true},
        {QStringLiteral("/opt/tarvix"), QStringLiteral("/home/\u0142") + QString(568, QLatin1Char('c')), false},
    };
    // File names in UTF-8, as under the users' locales, whatever the test runs under.
    QTextCodec* const locale = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    for (const row& r : rows) {
        SCOPED_TRACE(r.data.left(40).toStdString());
        shell_reset_for_tests();
        std::strcpy(g_dirs().data_dir_c, "before");
        EXPECT_EQ(set_directory_copies(r.app, r.data), r.taken);
        if (r.taken) {
            EXPECT_EQ(QFile::decodeName(g_dirs().app_dir_c), r.app);
            EXPECT_EQ(QFile::decodeName(g_dirs().data_dir_c), r.data);
        } else {
            EXPECT_STREQ(g_dirs().data_dir_c, "before");
        }
    }
    QTextCodec::setCodecForLocale(locale);
    shell_reset_for_tests();
}

}  // namespace
