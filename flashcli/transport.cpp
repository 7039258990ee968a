#include "transport.h"

#include "cli_settings.h"
#include "downloader.h"
#include "result_codes.h"

namespace flashcli {

uint16_t open_transport()
{
    cli_settings& s = settings();
    downloader& d = current_downloader();
    switch (s.transport) {
    case transport_isa_can:
        return d.DrvInitCAN_ISA(int16_t(s.baud_id), int16_t(s.interrupt), s.isa_address);
    case transport_can_dongle:
        return d.DrvInitCANDon(int16_t(s.baud_id), s.parallel_port);
    case transport_peak_can:
        return d.DrvInitCANPeak(int16_t(s.baud_id), 0);
    case transport_serial: {
        uint16_t r = d.DrvInitV24(int16_t(s.com_port), s.baudrate_code);
        s.protocol = 3;
        return r;
    }
    case transport_ethernet: {
        uint16_t r = d.DrvInitEthernet(s.ipv4_address);
        s.protocol = 4;
        return r;
    }
    case transport_usb:
        if (!s.nt_flag)
            return result_usb_needs_nt;
        s.protocol = 5;
        return d.DrvInitUsb(s.usb_product);
    default:
        return result_wrong_parameters;
    }
}

void close_driver()
{
    downloader& d = current_downloader();
    switch (settings().transport) {
    case transport_isa_can:
    case transport_can_dongle:
        d.DrvCloseCAN();
        break;
    case transport_serial:
        d.DrvCloseV24();
        break;
    case transport_ethernet:
        d.DrvCloseEthernet();
        break;
    default:
        break;
    }
}

}  // namespace flashcli
