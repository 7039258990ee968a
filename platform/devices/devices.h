// Named devices ("\\.\NAME") in place of the kernel drivers a program opens with CreateFileA and
// talks to with DeviceIoControl. A device is registered in the process (the simulated driver, or a
// test's fake); opening a name nobody registered fails with "file not found", as on Windows.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace platform::devices {

class device {
public:
    virtual ~device();
    // A new handle is being opened; a non-zero Windows error refuses it.
    virtual uint32_t open();
    virtual void close();
    // One I/O-control request. Returns 0 with *returned = bytes written to out, or a Windows
    // error code (the call then fails with that last error).
    virtual uint32_t io_control(uint32_t code, const void* in, uint32_t in_size, void* out, uint32_t out_size,
                                uint32_t* returned) = 0;
};

// Makes the device reachable as "\\.\<name>" (the name is compared without case, as Windows does).
void register_device(const std::string& name, std::shared_ptr<device> d);
void unregister_device(const std::string& name);
bool is_registered(const std::string& name);

using handle = intptr_t;
constexpr handle invalid_handle = -1;

// "\\.\NAME" -> a handle, or invalid_handle with the last error set.
handle create_file(const char* path);
// False with the last error set on failure (also for an unknown or closed handle: 6).
bool device_io_control(handle h, uint32_t code, const void* in, uint32_t in_size, void* out, uint32_t out_size,
                       uint32_t* returned);
bool close_handle(handle h);

}  // namespace platform::devices
