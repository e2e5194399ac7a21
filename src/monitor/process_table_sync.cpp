#include "monitor/process_table_sync.h"

#include <algorithm>

namespace {

// Far above any system's pid range; an enumerator that still fills the
// array at this size is broken, and what it gave is taken as the list.
constexpr std::size_t max_capacity = std::size_t{1} << 23;

} // namespace

bool collect_process_ids(const ID_ENUMERATOR &enumerate, std::vector<std::uint32_t> &ids,
                         std::size_t &capacity) {
    capacity = std::clamp<std::size_t>(capacity, 1, max_capacity);
    for (;;) {
        ids.resize(capacity);
        std::size_t count = 0;
        if (!enumerate(ids.data(), capacity, count)) {
            ids.clear();
            return false;
        }
        count = std::min(count, capacity);
        if (count < capacity || capacity >= max_capacity) {
            ids.resize(count);
            return true;
        }
        // Doubling keeps the number of attempts logarithmic in the list.
        capacity = std::min(capacity * 2, max_capacity);
    }
}

void sync_process_map(PROCESS_MAP &table, std::span<const std::uint32_t> ids) {
    std::vector<std::uint32_t> listed;
    listed.reserve(ids.size());
    for (std::uint32_t id : ids) {
        if (never_listed_id(id))
            continue;
        listed.push_back(id);
        auto [at, added] = table.try_emplace(id);
        if (added)
            at->second.pid = id;
    }
    std::sort(listed.begin(), listed.end());
    for (auto it = table.begin(); it != table.end();) {
        if (std::binary_search(listed.begin(), listed.end(), it->first))
            ++it;
        else
            it = table.erase(it);
    }
}
