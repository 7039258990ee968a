#include "core/text/safe_format.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int max_width = 128;
constexpr int max_precision = 64;

int64_t as_integer(const format_arg& a)
{
    switch (a.k) {
    case format_arg::kind::integer: return a.i;
    case format_arg::kind::real:
        // out-of-range doubles would be undefined in the conversion
        if (!(a.d > -9.2e18 && a.d < 9.2e18))
            return 0;
        return int64_t(a.d);
    case format_arg::kind::text: return 0;
    }
    return 0;
}

double as_real(const format_arg& a)
{
    switch (a.k) {
    case format_arg::kind::integer: return double(a.i);
    case format_arg::kind::real: return a.d;
    case format_arg::kind::text: return 0;
    }
    return 0;
}

// Runs snprintf with a format we built ourselves and exactly the argument it names.
template <typename T>
std::string print_one(const std::string& spec, T value)
{
    char buf[256];
    const int n = std::snprintf(buf, sizeof buf, spec.c_str(), value);
    if (n < 0)
        return {};
    if (size_t(n) < sizeof buf)
        return std::string(buf, size_t(n));
    std::vector<char> big(size_t(n) + 1);
    std::snprintf(big.data(), big.size(), spec.c_str(), value);
    return std::string(big.data(), size_t(n));
}

}  // namespace

std::string safe_format(const std::string& fmt, std::initializer_list<format_arg> args)
{
    return safe_format(fmt, args.begin(), args.size());
}

std::string safe_format(const std::string& fmt, const format_arg* args, size_t count)
{
    std::string out;
    size_t next = 0;
    const size_t n = fmt.size();
    size_t i = 0;
    while (i < n) {
        const char c = fmt[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < n && fmt[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        // %[flags][width][.precision][length]conversion
        size_t j = i + 1;
        std::string flags;
        while (j < n && std::strchr("-+ #0", fmt[j]) && flags.size() < 5)
            flags += fmt[j++];
        int width = -1;
        while (j < n && std::isdigit(static_cast<unsigned char>(fmt[j]))) {
            width = (width < 0 ? 0 : width) * 10 + (fmt[j] - '0');
            if (width > max_width)
                width = max_width;
            ++j;
        }
        int precision = -1;
        if (j < n && fmt[j] == '.') {
            ++j;
            precision = 0;
            while (j < n && std::isdigit(static_cast<unsigned char>(fmt[j]))) {
                precision = precision * 10 + (fmt[j] - '0');
                if (precision > max_precision)
                    precision = max_precision;
                ++j;
            }
        }
        while (j < n && std::strchr("hlLqjzt", fmt[j]))
            ++j;  // the argument's kind decides the width of the value, not the text
        if (j >= n || !std::strchr("diuxXocsfFeEgG", fmt[j])) {
            // not a conversion: the text stands as it is
            out += c;
            ++i;
            continue;
        }
        const char conv = fmt[j];
        i = j + 1;
        if (next >= count)
            continue;  // no argument left: the conversion yields nothing
        const format_arg& a = args[next++];

        // Flags and a precision that C leaves undefined for the conversion are dropped:
        // '#' fits only o, x, X and the reals; '0' and a precision do not fit c.
        std::string kept = flags;
        auto drop = [&kept](char flag) { kept.erase(std::remove(kept.begin(), kept.end(), flag), kept.end()); };
        if (std::strchr("diuc", conv))
            drop('#');
        if (conv == 'c')
            drop('0');
        std::string spec = "%" + kept;
        if (width >= 0)
            spec += std::to_string(width);
        if (precision >= 0 && conv != 'c')
            spec += "." + std::to_string(precision);
        switch (conv) {
        case 'd':
        case 'i':
            out += print_one(spec + "lld", static_cast<long long>(as_integer(a)));
            break;
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            // the 32-bit view of the value, as the texts' numbers are 32-bit words
            out += print_one(spec + conv, static_cast<unsigned>(uint32_t(as_integer(a))));
            break;
        case 'c':
            out += print_one(spec + "c", static_cast<int>(static_cast<unsigned char>(as_integer(a))));
            break;
        case 's': {
            std::string text;
            if (a.k == format_arg::kind::text)
                text = a.s;
            else if (a.k == format_arg::kind::integer)
                text = std::to_string(a.i);
            else
                text = print_one("%g", a.d);
            if (precision >= 0 && text.size() > size_t(precision))
                text.resize(size_t(precision));
            if (width > 0 && text.size() < size_t(width)) {
                const std::string pad(size_t(width) - text.size(), ' ');
                text = flags.find('-') != std::string::npos ? text + pad : pad + text;
            }
            out += text;
            break;
        }
        default:  // f F e E g G
            out += print_one(spec + conv, as_real(a));
            break;
        }
    }
    return out;
}
