// The command-line splitter: any bytes split without reading past them;
// no argument is longer than the line, and a path without double quotes
// written as a quoted program name (as the launcher writes it) splits back
// to that one path.
#include "catalogue/command_line.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string line(reinterpret_cast<const char *>(data), size);
    const auto args = split_command_line(line);
    std::size_t total = 0;
    for (const auto &a : args)
        total += a.size();
    FUZZ_CHECK(total <= size);
    FUZZ_CHECK(line.empty() == args.empty());

    if (!line.empty() && line.find('"') == std::string::npos && line.find('\0') == std::string::npos) {
        const auto one = split_command_line("\"" + line + "\"");
        FUZZ_CHECK(one.size() == 1 && one[0] == line);
    }
    return 0;
}
