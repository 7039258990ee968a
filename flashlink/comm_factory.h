// Makes the transport object of a protocol. The transports register here as they are
// added; tests install a factory of their own to put a fake under the protocol client.
#pragma once
#include <atomic>
#include <cstdint>

#include "flashlink/fl_types.h"

class C_COMM;

typedef C_COMM* (*T_COMM_FACTORY)(T_PROTOCOL protocol, uint8_t fast, std::atomic<uint32_t>* appl_start_flag);

// The transport for `protocol`, or null when there is none (unknown protocol, no memory).
C_COMM* fl_make_comm(T_PROTOCOL protocol, uint8_t fast, std::atomic<uint32_t>* appl_start_flag);

// Replaces the factory (null restores the built-in one). Returns the previous one.
T_COMM_FACTORY fl_set_comm_factory(T_COMM_FACTORY factory);
