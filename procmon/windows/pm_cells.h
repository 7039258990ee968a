// Small helpers the process monitor's tables and its tool info grid share: the in-use flag of
// a card sector and the texts of hex words and percentages.
#pragma once
#include <QLatin1Char>
#include <QString>
#include <cstdint>

#include "core/files/sd_card_layout.h"
#include "widgets/fixed_point.h"

namespace pm_cells {

// A sector that is there and marked in use.
inline bool in_use(const uint8_t* sector)
{
    return sector && (sector[sd_card_layout::flag_offset] & sd_card_layout::flag_in_use);
}

// The low 32 bits as at least four upper-case hex digits.
inline QString hex4(int64_t v) { return QString::asprintf("%04X", unsigned(uint32_t(v))); }

// The tables' percentages, "%.2f" of value / 100: a "." whatever the system's decimal sign,
// as every other cell of the tables.
inline QString hundredths(int64_t v) { return fixed_point::format(v, 2, QLatin1Char('.')); }

}  // namespace pm_cells
