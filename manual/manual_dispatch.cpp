// The manual page's share of every status reply, in the page's order: one process-data piece
// every second reply (0x07, 0x1C, 0x1D in turn), then the cycle of the tab that is shown. The
// LEDs and the function panels follow in the status decode that comes right after.
#include <cstring>

#include "core/device/device_commands.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_state.h"
#include "page_common/c_dlg_plotter.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_manualx.h"

namespace dp = device_protocol;

void c_dlgw_manualx::on_status_reply(const device_frame& frame)
{
    manual_tick_state& T = g_manual_tick();
    ++T.replies;

    // 1. Process data. A refused piece keeps the block and is asked for again at the next
    // turn, two replies later like every piece.
    if (++T.process_divider % 2 == 0) {
        error_record e;
        const int piece = T.process_piece;
        if (dev_query_info_typed(piece, e)) {
            T.process_piece = uint8_t((piece + 1) % 3);
            if (piece == 0)
                show_process_data_led();
            const auto& block = g_dev_commands().process_data;
            if (!T.shown_valid || T.force_redraw || block != T.shown_block) {
                T.shown_block = block;
                T.shown_valid = true;
                T.force_redraw = false;
                if (ui->tab_ManualX->current_logical_index() == tab_profibus)
                    update_fieldbus_data_view();
                c_dlg_plotter* plotter = g_objects().plotter;
                if (plotter && plotter->isVisible())
                    plotter->updateStatusDisplay();
            }
        }
    }

    // 2.-5. The cycle of the tab shown.
    switch (ui->tab_ManualX->current_logical_index()) {
    case tab_pm_tools:
        pm_cycle();
        break;
    case tab_selfcheck:
        selfcheck_cycle();
        break;
    case tab_devicenet:
        if (++T.dn_divider % 3 == 0)
            read_fieldbus_block();
        break;
    case tab_error_buffer:
        error_buffer_cycle((frame.u16(dp::data_offset + dp::status_output_word) & 0x100) != 0);
        break;
    default:
        break;
    }
}
