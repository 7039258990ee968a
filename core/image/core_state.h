// The program-wide state of the device link and configuration data, gathered in a few
// named structs. Everything here lives for the whole run; tests start from a clean slate
// with core_reset_for_tests().
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/image/config_image.h"
#include "core/protocol/device_protocol.h"
#include "core/text/error_texts.h"

// The configuration images and the process-monitor record store.
struct image_state {
    config_image working;    // loaded, read, edited, sent and saved
    config_image reference;  // the image as last loaded, read, written or saved
    config_image scratch;    // the program window's scratch block (header and first functions)
    // Process-monitor records read from the controller: 8300 tool slots, not part of the image.
    std::vector<uint8_t> pm_record_store = std::vector<uint8_t>(size_t(image_layout::pm_record_count) * image_layout::tool_slot_size, 0);
    // Set while no program file stands behind the working image (cleared by every reset).
    bool no_file_loaded = false;

    tool_slot pm_record(uint32_t n)
    {
        assert(n < image_layout::pm_record_count);
        return tool_slot(pm_record_store.data() + size_t(n) * image_layout::tool_slot_size);
    }
    const_tool_slot pm_record(uint32_t n) const
    {
        assert(n < image_layout::pm_record_count);
        return const_tool_slot(pm_record_store.data() + size_t(n) * image_layout::tool_slot_size);
    }

    void reset();
};

// The variant of the controller (or of the image) last seen, and the device values that
// stay shown until a controller answers.
struct device_state {
    int32_t family_flag = 0;   // 1 = Basic controller
    uint8_t pm_capable = 0;    // process-monitor variant
    uint8_t variant_bit2 = 0;  // reduced Premium variant
    uint8_t variant_bit3 = 0;  // Basic sub-variant
    uint8_t family_code = 0;   // low byte of parameter 28
    std::string info_text;     // the device-information text of the status display
    // One word: the program's change flags and the compatibility flags of the status bar
    // (bit 0 host older, 1 host too old / data not shown, 2 firmware older, 3 firmware too old
    // / write failed, 4 host compatibility known, 5 firmware compatibility known).
    uint32_t change_flags = 0;
    uint32_t revision_word = 0x2A2F3424;  // the controller's parameter 66
    uint32_t host_revision = device_protocol::host_revision;
    bool loader_state = false;            // the controller runs only its firmware loader
    bool status_full_refresh = false;     // the status display redraws everything next time

    void reset();
};

image_state& g_images();
device_state& g_device();

// True for the process-monitor variant (Premium PM): the one answer to "does this controller
// (or image) have the process monitor", for every page.
inline bool device_has_pm() { return g_device().pm_capable != 0; }

// Shorthands for the two long-lived images.
inline config_image& g_config_image() { return g_images().working; }
inline config_image& g_reference_image() { return g_images().reference; }

// Puts every state object of core/ back to its start state: images zero, flags clear, tables
// empty, the link closed, queues empty, files and directories forgotten, the device calls at
// their defaults (core/core_reset.cpp). No receive thread may run.
void core_reset_for_tests();
