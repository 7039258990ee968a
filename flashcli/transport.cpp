#include "transport.h"

#include "cli_settings.h"
#include "downloader.h"
#include "prompts.h"
#include "result_codes.h"

namespace flashcli {

namespace {

bool interrupt_range(uint32_t v) { return uint16_t(v) >= 3 && uint16_t(v) <= 7; }
bool board_address_range(uint32_t v) { return uint16_t(v) <= 0xFFF; }
bool parallel_port_range(uint32_t v) { return uint16_t(v) >= 1 && uint16_t(v) <= 2; }
bool baud_selection_range(uint32_t v) { return uint16_t(v) >= 1 && uint16_t(v) <= 4; }
bool com_port_range(uint32_t v) { return uint16_t(v) >= 1 && uint16_t(v) <= 4; }

uint16_t ask_isa_board()
{
    cli_settings& s = settings();
    uint32_t v = 0;
    if (s.is_given('I')) {
        say(in_language("CAN-interrupt-number: %d\n", "CAN-Interrupt-Nummer: %d\n"), s.interrupt);
    } else {
        if (uint16_t r = ask_number(in_language("Please enter the CAN-interrupt-nr (3..7): ",
                                                "Bitte CAN-Interrupt-Nr (3..7) eingeben: "),
                                    10, interrupt_range, v))
            return r;
        s.interrupt = uint16_t(v);
        s.given['I' - 'A'] = true;
    }
    if (s.is_given('X')) {
        say(in_language("CAN-board-address: %x\n", "CAN-Board-Adresse: %x\n"), s.isa_address);
    } else {
        if (uint16_t r = ask_number(in_language("Please enter the CAN-board-address in hex-notation (xxx): ",
                                                "Bitte CAN-Board-Adresse in Hex (xxx) eingeben: "),
                                    16, board_address_range, v))
            return r;
        s.isa_address = uint16_t(v);
        s.given['X' - 'A'] = true;
    }
    return 0;
}

uint16_t ask_parallel_port()
{
    cli_settings& s = settings();
    if (s.parallel_port_given) {
        say(in_language("Parallel-port for the CAN-dongle: %d\n", "Parallel-Port fuer CAN-Dongel: %d\n"), s.parallel_port);
        return 0;
    }
    uint32_t v = 0;
    if (uint16_t r = ask_number(in_language("Please enter the number of the parallel interface for the CAN-dongle (1..2): ",
                                            "Bitte Nummer der parallen Schnittstelle fuer CAN-Dongel eingeben (1..2): "),
                                10, parallel_port_range, v))
        return r;
    s.parallel_port = uint16_t(v);
    s.parallel_port_given = true;
    return 0;
}

uint16_t ask_serial_port()
{
    cli_settings& s = settings();
    uint32_t v = 0;
    if (s.is_given('D')) {
        say(in_language("COM-baudrate-selection: %d\n", "COM-Baudrate-Kennziffer: %d\n"), s.com_baud_selection);
    } else {
        std::string q = in_language("Please enter the V24-baudrate (1..4) \n", "Bitte V24-Baudrate eingeben eingeben (1..4) \n");
        q += "1:   9600 Baud\n2:  19200 Baud\n3:  38400 Baud\n4:  57600 Baud\n";
        if (uint16_t r = ask_number(q, 10, baud_selection_range, v))
            return r;
        s.com_baud_selection = uint16_t(v);
        s.given['D' - 'A'] = true;
    }
    switch (s.com_baud_selection) {
    case 1: s.baudrate_code = 7; break;
    case 2: s.baudrate_code = 8; break;
    case 3: s.baudrate_code = 10; break;
    case 4: s.baudrate_code = 11; break;
    case 5: s.baudrate_code = 12; break;  // 115200 baud, only through the setting
    default: break;                       // keeps what the setting stored
    }
    if (s.is_given('C')) {
        say(in_language("Port-number of the serial interface: %d\n", "Portnummer der seriellen Schnittstelle: %d\n"),
            s.com_port);
    } else {
        if (uint16_t r = ask_number(in_language("Please enter the port-number auf the serial interface (1..4): ",
                                                "Bitte die Nummer der seriellen Schnittstelle  eingeben (1..4): "),
                                    10, com_port_range, v))
            return r;
        s.com_port = uint16_t(v);
        s.given['C' - 'A'] = true;
    }
    return 0;
}

// The CAN transports settle the identifier scheme and the node once the bus is open.
uint16_t after_can_open(uint16_t r)
{
    if (r == 0)
        r = ask_id_scheme();
    if (r == 0)
        r = ask_node_id();
    return r;
}

}  // namespace

uint16_t open_transport()
{
    cli_settings& s = settings();
    downloader& d = current_downloader();
    uint16_t r = 0;
    switch (s.transport) {
    case transport_isa_can:
        if ((r = ask_can_baudrate()) || (r = ask_isa_board()))
            return r;
        return after_can_open(d.DrvInitCAN_ISA(int16_t(s.baud_id), int16_t(s.interrupt), s.isa_address));
    case transport_can_dongle:
        if ((r = ask_can_baudrate()) || (r = ask_parallel_port()))
            return r;
        return after_can_open(d.DrvInitCANDon(int16_t(s.baud_id), s.parallel_port));
    case transport_peak_can:
        if ((r = ask_can_baudrate()))
            return r;
        return after_can_open(d.DrvInitCANPeak(int16_t(s.baud_id), 0));
    case transport_serial: {
        if ((r = ask_serial_port()))
            return r;
        r = d.DrvInitV24(int16_t(s.com_port), s.baudrate_code);
        s.protocol = 3;
        return r;
    }
    case transport_ethernet: {
        r = d.DrvInitEthernet(s.ipv4_address);
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
