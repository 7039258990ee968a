// The two directories every file of the program resolves against: the application
// directory (installed files) and the data directory (settings, programs, caches).
#pragma once
#include <QString>

struct app_dirs {
    QString application;  // the program's own directory, also the current directory
    QString data;         // <PROGRAMDATA or the user's data home>/Tarvix/Tarvix_QT
};

app_dirs& g_app_dirs();

// The data directory as the environment gives it: $PROGRAMDATA/Tarvix/Tarvix_QT when set,
// else $XDG_DATA_HOME (or ~/.local/share) followed by /Tarvix/Tarvix_QT.
QString default_data_directory();

// Sets both directories and creates the data directory with its sub-folders (cd_data,
// pm_cache, tvx_clones, trace, diagnostic); copies the installed settings files of the
// clone commands into tvx_clones when they are missing there. False when one of them cannot
// be made.
bool init_app_dirs(const QString& application_dir, const QString& data_dir = default_data_directory());

// A file below the data directory.
QString data_file(const QString& name);
// A file below the application directory, resolved as the program spells it.
QString app_file(const QString& name);

void reset_app_dirs_for_tests();
