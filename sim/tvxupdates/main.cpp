// tvxupdates: writes the update images that a Premium controller of tvxsim (firmware
// 1.16.02.045, loader 1.05.03, logic 3.20, PROFINET 2.1.0.7) is updated from, into an
// application directory, under the names the program searches for. FW Update then
// exchanges the loader, programs the newer firmware, updates the logic and, on a PROFINET
// controller, its PROFINET firmware; the controller afterwards runs exactly the files a
// clone of it takes along. Prints the files written, one a line.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/update_images.h"

namespace {

update_images::installed_set starter_set()
{
    update_images::installed_set s;
    s.firmware = {1, 17, 6, 12};  // clones need 1.17.06 or newer
    s.loader = {1, 6, 2, 0};      // clones need 1.05 or newer
    for (uint16_t i = 0; i < 7; ++i)
        s.logic.push_back({3, 30, 64});
    s.logic_name = "Logic_0330";
    s.profinet = {2, 1, 1, 0};
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tvxupdates <application directory>\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        std::fprintf(stderr, "tvxupdates: %s is no directory\n", dir.c_str());
        return 1;
    }
    const update_images::installed_set s = starter_set();
    if (!update_images::write_installed(dir, s)) {
        std::fprintf(stderr, "tvxupdates: cannot write the update images below %s\n", dir.c_str());
        return 1;
    }
    for (const std::string& name :
         {update_images::firmware_name(s.firmware), update_images::loader_name(s.loader),
          "tvx_logic/" + s.logic_name + ".bin", update_images::profinet_name(s.profinet)})
        std::printf("%s\n", name.c_str());
    return 0;
}
