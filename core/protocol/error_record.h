// The result of every device exchange and of most file operations: which text of which
// table describes the failure, how severe it is and the one number the text may take.
#pragma once
#include <cstdint>

enum : int16_t {
    err_type_none = 0,
    err_type_host = 1,      // host error texts
    err_type_usb_host = 2,  // USB host error texts
    err_type_device = 3,    // device error texts
};

enum : int32_t {
    err_severity_warning = 1,
    err_severity_error = 2,
};

enum : int16_t {
    err_arg_none = 0,   // the text is shown as it is
    err_arg_once = 1,   // the text takes the argument once
    err_arg_twice = 2,  // the text takes the argument twice
};

struct error_record {
    int32_t code = 0;  // 0 = no error; else the number of the text within its table
    int32_t severity = 0;
    int16_t type = err_type_none;
    int16_t argument_kind = err_arg_none;
    int32_t argument = 0;

    bool failed() const { return code != 0; }
    void clear() { *this = error_record{}; }
    void set(int16_t t, int32_t c, int32_t sev = err_severity_error, int16_t kind = err_arg_none, int32_t arg = 0)
    {
        code = c;
        severity = sev;
        type = t;
        argument_kind = kind;
        argument = arg;
    }
};
static_assert(sizeof(error_record) == 16, "error_record keeps its 16-byte layout");
