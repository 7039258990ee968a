// The application and data directories of a run: where they are and their char copies.
#pragma once
#include <QByteArray>
#include <QString>

// The data directory from the environment: $PROGRAMDATA/Tarvix/Tarvix_QT when PROGRAMDATA is
// set, else the user's data folder ($XDG_DATA_HOME or ~/.local/share) + /Tarvix/Tarvix_QT.
QString data_directory_from_environment();

// Store a directory and its Latin-1 char copy in g_dirs(). False (and nothing stored) when
// the path does not fit the char copy or cannot be written in Latin-1, since the file names
// built from the copy would then name other files.
bool set_application_directory(const QString& dir);
bool set_data_directory(const QString& dir);
