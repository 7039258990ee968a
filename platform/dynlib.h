// Loading the CAN driver libraries at run time, as LoadLibraryA, GetProcAddress and FreeLibrary do:
// "NAME.DLL" is libNAME.so, looked up beside libflashlink.so first (the application's own
// directory), then beside the program, then on the usual search path. A decorated name
// "_CANOpenDevice@12" is looked up as "CANOpenDevice": the ELF tools refuse "@" in a name, so the
// libraries export the plain names.
#pragma once
#include <string>

namespace platform {

using library_handle = void*;

// Null when no file of that name loads; last_load_error() then tells why.
library_handle load_library(const char* dll_name);
void* get_proc_address(library_handle lib, const char* name);
bool free_library(library_handle lib);
std::string last_load_error();

// "pcanbridge.DLL" -> "libpcanbridge.so"; a name without ".DLL" keeps its own extension.
std::string shared_object_name(const std::string& dll_name);
// "_CANWrMsg@16" -> "CANWrMsg"; an undecorated name stays as it is.
std::string undecorated_name(const std::string& name);

// Tests: the only directory looked up (empty: the usual order above).
void set_library_dir(const std::string& dir);

}  // namespace platform
