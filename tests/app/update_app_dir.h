// An application directory of its own for the update flows: flashcli linked in from the
// built one ($TARVIX_APP_DIR), the installed settings files copied, the installed images
// made by the generator, and the program's directories set to it and to a data directory
// beside it. Shared by the tests, the screenshot program and the benchmark.
#pragma once
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/files/app_dirs.h"
#include "sim/update_images.h"

namespace update_testing {

// Makes <root>/app and <root>/data, makes <root>/app the current directory and the
// program's application directory; false with a reason when something cannot be made.
inline bool make_update_app_dir(const std::filesystem::path& root, const update_images::installed_set& files,
                                std::string& why)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path app = root / "app";
    // Every step is checked: a half-built installation is no installation.
    const auto failed = [&](const fs::path& what) {
        if (!ec)
            return false;
        why = "cannot lay out " + what.string() + ": " + ec.message();
        return true;
    };
    fs::create_directories(app, ec);
    if (failed(app))
        return false;
    const char* built = std::getenv("TARVIX_APP_DIR");
    const fs::path installed = built ? built : ".";
    fs::create_directory_symlink(installed / "flashcli", app / "flashcli", ec);
    if (failed(app / "flashcli"))
        return false;
    // Only the settings files: the update images that scripts/start.sh lays into a built
    // application directory are no part of a test's installation.
    for (const char* d : {"tvx_fsw", "tvx_firmload", "tvx_firmloadx", "tvx_logic", "tvx_clones"}) {
        fs::create_directories(app / d, ec);
        if (failed(app / d))
            return false;
        for (const fs::directory_entry& e : fs::directory_iterator(installed / d, ec)) {
            if (e.is_regular_file() && e.path().extension() == ".DAT")
                fs::copy_file(e.path(), app / d / e.path().filename(), fs::copy_options::overwrite_existing, ec);
            if (failed(app / d / e.path().filename()))
                return false;
        }
        if (failed(installed / d))
            return false;
    }
    fs::current_path(app, ec);
    if (ec || !update_images::write_installed(app.string(), files)) {
        why = "cannot write the installed images";
        return false;
    }
    if (!init_app_dirs(QString::fromStdString(app.string()), QString::fromStdString((root / "data").string()))) {
        why = "cannot make the data directory";
        return false;
    }
    return true;
}

}  // namespace update_testing
