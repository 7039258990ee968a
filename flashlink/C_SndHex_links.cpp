// Opening and closing the serial line and the Ethernet socket for the download sequences.
#include "flashlink/C_SndHex.h"
#include "flashlink/C_ETH.h"
#include "flashlink/C_V24.h"

uint16_t C_SndHex::DrvInitV24(short port, T_BAUDRATE rate)
{
    uint16_t r = C_V24::OpenPort(port, rate);
    DrvInitializedF = r == 0 ? DRV_V24 : DRV_NONE;
    return r;
}

uint16_t C_SndHex::DrvCloseV24()
{
    // Any port the process opened is closed, not only 1 to 4: a process that opens again
    // and again would otherwise run out of descriptors. Nothing open is not an error here.
    (void)C_V24::ClosePort();
    DrvInitializedF = DRV_NONE;
    return 0;
}

uint16_t C_SndHex::DrvInitEthernet(const char* address)
{
    // A text that is no address fails here, not with the first packet.
    uint16_t r = C_ETH::Open(address);
    DrvInitializedF = r == 0 ? DRV_ETH : DRV_NONE;
    return r;
}

uint16_t C_SndHex::DrvCloseEthernet()
{
    if (DrvInitializedF == DRV_ETH) {
        // The socket is closed too: a process that opens again must not collect them.
        C_ETH::Shutdown();
        DrvInitializedF = DRV_NONE;
    }
    return 0;
}
