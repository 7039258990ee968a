// Any text typed into a numeric field: the parse never overflows, and a value it accepts
// reads back unchanged from its own text.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "widgets/fixed_point.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int decimals = data[0] % 6;  // one past the table, to check it is bounded
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data + 1), int(size - 1));
    const auto r = fixed_point::parse(text, decimals);
    if (r.status != fixed_point::parse_status::ok)
        return 0;
    if (r.value > INT32_MAX || r.value < INT32_MIN)
        return 0;
    for (QChar point : {QChar('.'), QChar(',')}) {
        const QString again = fixed_point::format(r.value, decimals, point);
        const auto back = fixed_point::parse(again, decimals);
        if (back.status != fixed_point::parse_status::ok || back.value != r.value)
            std::abort();
    }
    return 0;
}
