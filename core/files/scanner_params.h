// The user scanner parameter set as the scanner page edits it, with the document it came
// from: a user set of the controller or a *.sp file.
#pragma once
#include <QString>
#include <cstdint>

#include "core/files/scanner_record.h"

struct scanner_param_state {
    scanner_record user;         // the working copy the scanner page edits
    scanner_record device_copy;  // as last read, written or loaded, to detect changes
    int source = 0;              // 0 none, 1 a user set of the controller, 2 a file
    QString file_name;           // the current scanner parameter file
    QString title;               // its base name, or the default title
    int user_set = 0;            // the chosen user set, 0 or 1
    bool no_file = false;        // the last load found no file
};

scanner_param_state& g_scanner_params();

// The title shown while no scanner parameter file is named.
QString default_scanner_title();

// The start-up state: file "cd_data\123456789012345.sp" below the application directory.
void reset_scanner_params();
