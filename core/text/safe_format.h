// printf-style filling of the program's texts without printf's hazards: each conversion
// takes the next argument only as its own kind, so a text chosen by a device number can
// never read an argument as something it is not.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>

struct format_arg {
    enum class kind { integer, real, text };
    kind k;
    int64_t i = 0;
    double d = 0;
    std::string s;

    format_arg(int v) : k(kind::integer), i(v) {}
    format_arg(long v) : k(kind::integer), i(v) {}
    format_arg(long long v) : k(kind::integer), i(v) {}
    format_arg(unsigned v) : k(kind::integer), i(v) {}
    format_arg(unsigned long v) : k(kind::integer), i(int64_t(v)) {}
    format_arg(double v) : k(kind::real), d(v) {}
    format_arg(const char* v) : k(kind::text), s(v ? v : "") {}
    format_arg(std::string v) : k(kind::text), s(std::move(v)) {}
};

// Fills the conversions %d %i %u %x %X %o %c %s %f %e %g (with flags, width and precision)
// and %% from `args` in order. A number meets %s as its decimal text, a text meets a numeric
// conversion as 0, a missing argument yields nothing; anything that is not a conversion is
// copied as it stands. Widths and precisions are bounded, so the result stays small.
std::string safe_format(const std::string& fmt, std::initializer_list<format_arg> args);
std::string safe_format(const std::string& fmt, const format_arg* args, size_t count);
