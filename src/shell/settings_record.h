// The settings record: the 32 bytes of vorkel.set and back. Pure.
//
// SETTINGS_STRUCT is exactly the 32 bytes of vorkel.set, little-endian:
//   0 cpu_interval (int32, ms)   4 tasks_interval (int32, ms)
//   8 apps_interval (int32, ms)  12 tray_color (u8)  13 cpu_color (u8)
//  14 reserved (2 bytes, 0)      16 stay_on_top  20 full_path
//  24 hide_own_items             28 dockable  (each 32-bit, true when not 0)
// No range is enforced when the record is read.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct SETTINGS_STRUCT {
    std::int32_t cpu_interval;
    std::int32_t tasks_interval;
    std::int32_t apps_interval;
    std::uint8_t tray_color;
    std::uint8_t cpu_color;
    std::uint8_t reserved[2];
    std::int32_t stay_on_top;
    std::int32_t full_path;
    std::int32_t hide_own_items;
    std::int32_t dockable;
};
static_assert(sizeof(SETTINGS_STRUCT) == 32, "vorkel.set holds exactly 32 bytes");

// The record's bytes as stored, and back. Pure.
std::array<std::uint8_t, 32> settings_to_bytes(const SETTINGS_STRUCT &s);
SETTINGS_STRUCT settings_from_bytes(const std::uint8_t *bytes);

// Sets the five fields that have defaults (100, 1000, 10000, 170, 100)
// and leaves the rest of the record as it is.
void set_default_settings(SETTINGS_STRUCT &s);
