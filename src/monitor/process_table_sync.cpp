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
    // The system lists ids in ascending order, so sorting is usually a
    // check; the vector is kept per thread, so a steady list allocates
    // nothing.
    thread_local std::vector<std::uint32_t> listed;
    listed.assign(ids.begin(), ids.end());
    if (!std::is_sorted(listed.begin(), listed.end()))
        std::sort(listed.begin(), listed.end());
    listed.erase(std::unique(listed.begin(), listed.end()), listed.end());
    // One merge walk over the table and the list: each record is visited
    // once and a new one is inserted at its place, where lookups from the
    // root would touch some eight records each.
    auto it = table.begin();
    for (std::uint32_t id : listed) {
        while (it != table.end() && it->first < id)
            it = table.erase(it); // ended
        if (it != table.end() && it->first == id) {
            ++it;
            continue;
        }
        table.emplace_hint(it, id, PROCESS_INFO_STRUCT{})->second.pid = id;
    }
    table.erase(it, table.end());
}
