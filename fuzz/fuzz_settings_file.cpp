// vorkel.set: every 32 bytes are a record, and the record gives back the
// very bytes it was read from.
#include "fuzz_check.h"
#include "shell/settings.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < sizeof(SETTINGS_STRUCT))
        return 0;
    const SETTINGS_STRUCT s = settings_from_bytes(data);
    const auto bytes = settings_to_bytes(s);
    FUZZ_CHECK(std::memcmp(bytes.data(), data, bytes.size()) == 0);
    return 0;
}
