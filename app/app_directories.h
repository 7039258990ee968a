// The char copies of the application and data directories, made once at start-up.
#pragma once
#include <QString>

// Stores the Latin-1 char copies of both directories in g_dirs(). False (and nothing stored)
// when a path does not fit its copy or cannot be written in Latin-1, since the file names
// built from the copy would then name other files.
bool set_directory_copies(const QString& app_dir, const QString& data_dir);
