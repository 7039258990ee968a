#include <gtest/gtest.h>

#include "platform/paths.h"
#include "support/test_support.h"

#include <fstream>
#include <sys/stat.h>

using platform::resolve_path;

TEST(ResolvePath, BackslashesAndCaseOfEveryComponent)
{
    testing_support::temp_dir d;
    mkdir(d.file("tvx_firmLoad").c_str(), 0755);
    std::ofstream(d.file("tvx_firmLoad/PrgFld.HEX")) << "x";
    std::ofstream(d.file("tvx_firmLoad/exact.hex")) << "x";
    std::ofstream(d.file("tvx_firmLoad/EXACT.hex")) << "x";

    // As written when it exists, with "\" read as "/".
    EXPECT_EQ(resolve_path(d.path() + "\\tvx_firmLoad\\PrgFld.HEX"), d.file("tvx_firmLoad/PrgFld.HEX"));
    // Each missing component found ignoring case.
    EXPECT_EQ(resolve_path(d.path() + "/TVX_firmload\\prgfld.hex"), d.file("tvx_firmLoad/PrgFld.HEX"));
    // An exact match wins over another spelling; among others the first in byte order.
    EXPECT_EQ(resolve_path(d.file("tvx_firmload/exact.hex")), d.file("tvx_firmLoad/exact.hex"));
    EXPECT_EQ(resolve_path(d.file("tvx_firmload/Exact.HEX")), d.file("tvx_firmLoad/EXACT.hex"));
    // Nothing matches: the missing part stays as given, the found part is resolved.
    EXPECT_EQ(resolve_path(d.file("TVX_FIRMLOAD/new.bin")), d.file("tvx_firmLoad/new.bin"));
    EXPECT_EQ(resolve_path(d.file("nodir/Name.bin")), d.file("nodir/Name.bin"));
    EXPECT_EQ(resolve_path(""), "");
}

TEST(ResolvePath, RelativePathsResolveAgainstTheWorkingFolder)
{
    testing_support::temp_dir d;
    mkdir(d.file("Sub").c_str(), 0755);
    std::ofstream(d.file("Sub/KONFIG.CFG")) << "L:E\n";
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(d.path().c_str()), 0);
    EXPECT_EQ(resolve_path("sub\\konfig.cfg"), "Sub/KONFIG.CFG");
    EXPECT_EQ(resolve_path("./sub/konfig.cfg"), "./Sub/KONFIG.CFG");
    EXPECT_EQ(resolve_path("../" + d.path().substr(d.path().rfind('/') + 1) + "/SUB"), "../" + d.path().substr(d.path().rfind('/') + 1) + "/Sub");
    ASSERT_EQ(chdir(old), 0);
}
