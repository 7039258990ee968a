// The records the program window and its element dialogs hand to each other: the edit
// buffer of the function and cluster dialogs and the area record of the area dialog.
// Tests start from a clean slate with program_dialogs_reset_for_tests().
#pragma once
#include <array>
#include <cstdint>

#include "core/image/config_image.h"

// The function or cluster being edited: the number of its first function (-1 for a new one,
// and again after a cancelled New) and four records, of which a single function uses the
// first. The page fills it, the dialog may change both, the page copies it back.
struct cluster_edit_buffer {
    int32_t index = -1;
    std::array<function_record_bytes, 4> records{};

    function_record record(int i) { return function_record(records[size_t(i)].data()); }
    const_function_record record(int i) const { return const_function_record(records[size_t(i)].data()); }
    void reset() { *this = cluster_edit_buffer(); }
};

// The monitoring area of a function in mode 4 or 7, as the function dialog hands it to the
// area dialog: values in hundredths (object angle, warning min/max, error min/max), the
// relative index (0 absolute, 1 relative) and the order flag (1 length order).
struct area_record {
    enum : int { object_angle, warn_min, warn_max, err_min, err_max, relative, order, count };
    std::array<int32_t, count> v{};
    void reset() { *this = area_record(); }
};

cluster_edit_buffer& g_cluster_edit_buffer();
area_record& g_area_record();

void program_dialogs_reset_for_tests();
