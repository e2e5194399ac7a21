// The Exec-line splitter of desktop entries: any line splits without
// reading past it; a line that splits is rebuilt by the quoting and splits
// back to the same words; and any argument vector (the input cut at zero
// bytes) survives the quoting.
#include "catalogue/desktop_entry.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    if (const auto words = split_exec_line(text)) {
        std::size_t total = 0;
        for (const auto &w : *words)
            total += w.size();
        FUZZ_CHECK(total <= size);
        FUZZ_CHECK(split_exec_line(build_exec_line(*words)) == words);
    }
    FUZZ_CHECK(drop_field_codes(text).size() <= size);

    std::vector<std::string> argv(1);
    for (char c : text) {
        if (c == '\0')
            argv.emplace_back();
        else
            argv.back() += c;
    }
    if (!argv.front().empty())
        FUZZ_CHECK(split_exec_line(build_exec_line(argv)) == argv);
    return 0;
}
