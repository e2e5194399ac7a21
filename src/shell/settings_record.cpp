#include "shell/settings_record.h"

namespace {

void put32(std::uint8_t *p, std::int32_t v) {
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::int32_t get32(const std::uint8_t *p) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}

} // namespace

std::array<std::uint8_t, 32> settings_to_bytes(const SETTINGS_STRUCT &s) {
    std::array<std::uint8_t, 32> b{};
    put32(&b[0], s.cpu_interval);
    put32(&b[4], s.tasks_interval);
    put32(&b[8], s.apps_interval);
    b[12] = s.tray_color;
    b[13] = s.cpu_color;
    b[14] = s.reserved[0];
    b[15] = s.reserved[1];
    put32(&b[16], s.stay_on_top);
    put32(&b[20], s.full_path);
    put32(&b[24], s.hide_own_items);
    put32(&b[28], s.dockable);
    return b;
}

SETTINGS_STRUCT settings_from_bytes(const std::uint8_t *b) {
    SETTINGS_STRUCT s{};
    s.cpu_interval = get32(&b[0]);
    s.tasks_interval = get32(&b[4]);
    s.apps_interval = get32(&b[8]);
    s.tray_color = b[12];
    s.cpu_color = b[13];
    s.reserved[0] = b[14];
    s.reserved[1] = b[15];
    s.stay_on_top = get32(&b[16]);
    s.full_path = get32(&b[20]);
    s.hide_own_items = get32(&b[24]);
    s.dockable = get32(&b[28]);
    return s;
}

void set_default_settings(SETTINGS_STRUCT &s) {
    s.cpu_interval = 100;
    s.tasks_interval = 1000;
    s.apps_interval = 10000;
    s.tray_color = 170;
    s.cpu_color = 100;
}
