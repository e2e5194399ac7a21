#include "shell/settings.h"

#include "common/file_io.h"
#include "common/sfx_mutex.h"
#include "shell/data_paths.h"

void read_settings(SETTINGS_STRUCT &s) {
    static SFXMutex guard;
    SFXLock hold(guard);
    // Bytes after the 32nd are ignored.
    auto bytes = read_file_head(settings_file_path(), 32);
    if (bytes && bytes->size() >= 32) {
        s = settings_from_bytes(reinterpret_cast<const std::uint8_t *>(bytes->data()));
        return;
    }
    set_default_settings(s);
}

void write_settings(const SETTINGS_STRUCT &s) {
    static SFXMutex guard;
    SFXLock hold(guard);
    auto b = settings_to_bytes(s);
    write_file_atomically(settings_file_path(), std::string(b.begin(), b.end()));
}
