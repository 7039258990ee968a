// The data directory is made with its sub-folders, and the installed settings files of the
// clone commands are copied into it once, never over a file that is there.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "core/files/app_dirs.h"
#include "support/test_support.h"

#include <fstream>
#include <sstream>

namespace {

std::string read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

TEST(AppDirs, CloneSettingsAreCopiedWhenMissingOnly)
{
    testing_support::temp_dir app;
    testing_support::temp_dir home;
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(app.path() + "/tvx_clones")));
    std::ofstream(app.path() + "/tvx_clones/flashconfig.DAT") << "Z:7\nW:8000\n";
    std::ofstream(app.path() + "/tvx_clones/dl_config.DAT") << "Z:4\n";
    const std::string data = home.path() + "/data";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(data + "/tvx_clones")));
    std::ofstream(data + "/tvx_clones/dl_config.DAT") << "edited by the user\n";

    ASSERT_TRUE(init_app_dirs(QString::fromStdString(app.path()), QString::fromStdString(data)));
    EXPECT_EQ(read(data + "/tvx_clones/flashconfig.DAT"), "Z:7\nW:8000\n");
    EXPECT_EQ(read(data + "/tvx_clones/dl_config.DAT"), "edited by the user\n");
    for (const char* sub : {"cd_data", "pm_cache", "trace", "diagnostic"})
        EXPECT_TRUE(QDir(QString::fromStdString(data + "/" + sub)).exists()) << sub;

    // A second start with the file there (or the installed one gone) changes nothing.
    std::ofstream(data + "/tvx_clones/flashconfig.DAT") << "W:10\n";
    QFile::remove(QString::fromStdString(app.path() + "/tvx_clones/dl_config.DAT"));
    ASSERT_TRUE(init_app_dirs(QString::fromStdString(app.path()), QString::fromStdString(data)));
    EXPECT_EQ(read(data + "/tvx_clones/flashconfig.DAT"), "W:10\n");
    EXPECT_EQ(read(data + "/tvx_clones/dl_config.DAT"), "edited by the user\n");
    reset_app_dirs_for_tests();
}
