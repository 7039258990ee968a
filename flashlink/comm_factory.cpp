#include "flashlink/comm_factory.h"

#include <new>

#include "flashlink/C_CAN.h"
#include "flashlink/C_COMM.h"
#include "flashlink/C_ETH.h"
#include "flashlink/C_USB.h"
#include "flashlink/C_V24.h"

namespace {

C_COMM* builtin_factory(T_PROTOCOL protocol, uint8_t fast, std::atomic<uint32_t>* appl_start_flag)
{
    // The transports of the library are added here as they are built.
    switch (protocol) {
    case PROT_CAN:
    case PROT_QUELCAN:
        return new (std::nothrow) C_CAN();
    case PROT_USB:
        return new (std::nothrow) C_USB(appl_start_flag);
    case PROT_V24:
        if (fast)
            return new (std::nothrow) C_V24CL();
        return new (std::nothrow) C_V24C();
    case PROT_ETH:
        return new (std::nothrow) C_ETH();
    default:
        return nullptr;
    }
}

std::atomic<T_COMM_FACTORY> g_factory{&builtin_factory};

}  // namespace

C_COMM* fl_make_comm(T_PROTOCOL protocol, uint8_t fast, std::atomic<uint32_t>* appl_start_flag)
{
    return g_factory.load()(protocol, fast, appl_start_flag);
}

T_COMM_FACTORY fl_set_comm_factory(T_COMM_FACTORY factory)
{
    return g_factory.exchange(factory ? factory : &builtin_factory);
}
