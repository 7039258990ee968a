#include "procmon/procmon_seams.h"

#include "core/transfer/config_transfer.h"
#include "core/text/global_tables.h"
#include "procmon/pm_csv.h"
#include "procmon/sdcard_reader.h"

void install_procmon_seams()
{
    set_memory_card_search([](int sector_size, int32_t* drive) {
        int32_t d = 0;
        const bool found = sdcard_init(uint16_t(sector_size), d);
        *drive = d;
        g_sdcard().found = found;
        g_sdcard().open = false;
        g_sdcard().drive = d;
        return found ? 1 : 0;
    });
    set_curve_loader([](const QString& folder, const uint8_t* record, std::vector<int16_t>& samples, error_record&) {
        int status = 0;
        return pm_read_curve_in_folder(folder, false, record, samples, status);
    });
}
