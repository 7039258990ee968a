// The memory-card reader: finds the card among the drives by its signature, opens the whole
// device read-only and reads its 512-byte sectors (tool types, tool data, the ring of
// recordings). GUI thread only; one reader for the whole program.
//
// Every reader returns false for an index outside its structure and for a failed or short
// read; a failed read leaves zeros in the caller's buffer, never another sector's bytes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/files/sd_card_layout.h"
#include "platform/disk.h"

struct sdcard_reader {
    bool found = false;     // the start-up search found a card
    bool open = false;      // the device is open
    int32_t drive = 0;      // drive index of the card of the last search, 0 when none
    int32_t ringStart = 0;  // ring slot of logical recording 0
    int32_t ringCount = 0;  // recordings in the ring
};
sdcard_reader& g_sdcard();

// A node of the process monitor's lists: one sector and the index it was read under.
struct pm_card_node {
    uint8_t sector[sd_card_layout::sector_size];
    int32_t index;
};

// Start-up: stores the sector size, sets driveOut to 0 and, when a card is found, to its drive.
bool sdcard_init(uint16_t sectorSize, int32_t& driveOut);
bool sdcard_search_drives();
bool sdcard_find(int32_t& driveOut);
// Searches again into the reader's drive; the found flag stays as the start-up left it.
bool sdcard_rescan();
bool sdcard_open();
bool sdcard_close();
// The position of the drive's device in the candidate list; false when there is no such drive.
bool sdcard_get_device_number(int32_t driveIndex, int32_t& deviceOut);
bool sdcard_open_physical_drive();
// count sectors from `sector` into buf (count x sector size bytes); all or nothing.
bool sdcard_read_sectors(uint32_t sector, uint16_t count, uint8_t* buf);

bool sdcard_read_tooltype(int32_t n, uint8_t* sector512);
bool sdcard_read_tool_header(int32_t t, uint8_t* sector512);
bool sdcard_read_tool_data_sector(int32_t t, int32_t k, uint8_t* sector512);
// Reads the ring directory, sets ringStart and ringCount and returns ringCount. An unreadable
// or corrupt directory gives 0 recordings and sdcard_last_reason() says why.
int32_t sdcard_read_ring_directory();
bool sdcard_read_ring_header(int32_t i, uint8_t* sector512);
bool sdcard_read_ring_data_sector(int32_t i, int32_t k, uint8_t* sector512);
// Data sectors k .. k + count - 1 of tool t or logical recording i in one read.
bool sdcard_read_data_sectors(bool isRecording, int32_t index, int32_t k, int32_t count, uint8_t* buf);
// The first `count` samples of tool t or logical recording i (count kept within the block),
// read in one go into `samples`; on a failure `samples` is empty.
bool sdcard_read_samples(bool isRecording, int32_t index, int32_t count, std::vector<uint16_t>& samples);
// The ring slot of logical recording i, -1 when i is not in the ring.
int32_t sdcard_ring_slot(int32_t i);

// Why the last search found no card or the last read failed, "" when nothing failed.
const std::string& sdcard_last_reason();
// The reasons of the drives the last search could not read (e.g. missing read permission).
const std::vector<std::string>& sdcard_search_refusals();

// Tests: where the search looks, and a fresh reader (closes the device).
void sdcard_set_roots(const disk::roots& r);
void sdcard_reset_for_tests();
