#include "monitor/task_order.h"

#include <algorithm>

bool task_before(const TASK_RECORD &a, const TASK_RECORD &b, const TASK_SORT &sort) {
    const auto all = task_columns();
    if (sort.column >= 0 && static_cast<std::size_t>(sort.column) < all.size()) {
        const int by_key = all[static_cast<std::size_t>(sort.column)].compare(a, b);
        if (by_key != 0)
            return sort.descending ? by_key > 0 : by_key < 0;
    }
    const int by_name = compare_ignoring_ascii_case(task_name(a.info), task_name(b.info));
    if (by_name != 0)
        return by_name < 0;
    return a.info.pid < b.info.pid;
}

namespace {

constexpr std::int32_t none = -1;

// The index of the record of a's parent among records, none when a is a
// root (see order_tasks).
std::int32_t parent_of(std::span<const TASK_RECORD> records, const std::vector<char> &kept, std::size_t a) {
    const PROCESS_INFO_STRUCT &child = records[a].info;
    const std::uint32_t id = child.parent_pid;
    if (id == 0 || id == child.pid)
        return none;
    const auto at =
        std::lower_bound(records.begin(), records.end(), id,
                         [](const TASK_RECORD &r, std::uint32_t pid) { return r.info.pid < pid; });
    if (at == records.end() || at->info.pid != id)
        return none;
    const auto p = static_cast<std::size_t>(at - records.begin());
    if (!kept[p])
        return none;
    // A parent that started after its child is a later process under the
    // parent's old id.
    if (at->info.start_time != 0 && child.start_time != 0 && at->info.start_time > child.start_time)
        return none;
    return static_cast<std::int32_t>(p);
}

} // namespace

void order_tasks(std::span<const TASK_RECORD> records, const TASK_SORT &sort, bool tree,
                 const std::function<bool(std::size_t)> &keep, std::vector<TASK_LINE> &lines) {
    // Kept from call to call, so that a refresh allocates nothing once the
    // vectors have grown to the process count.
    thread_local std::vector<std::uint32_t> order, roots;
    thread_local std::vector<char> kept, shown;
    thread_local std::vector<std::int32_t> first_child, last_child, next_sibling;
    thread_local std::vector<TASK_LINE> stack;
    order.clear();
    order.reserve(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        if (keep(i))
            order.push_back(static_cast<std::uint32_t>(i));
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return task_before(records[a], records[b], sort); });
    lines.clear();
    lines.reserve(order.size());
    if (!tree) {
        for (const std::uint32_t i : order)
            lines.push_back({i, 0});
        return;
    }

    // Children lists in sorted order: each record is appended to its
    // parent's list in the order of the sorted walk.
    const std::size_t n = records.size();
    kept.assign(n, 0);
    for (const std::uint32_t i : order)
        kept[i] = 1;
    first_child.assign(n, none);
    last_child.assign(n, none);
    next_sibling.assign(n, none);
    roots.clear();
    for (const std::uint32_t i : order) {
        const std::int32_t p = parent_of(records, kept, i);
        if (p == none) {
            roots.push_back(i);
        } else if (last_child[static_cast<std::size_t>(p)] == none) {
            first_child[static_cast<std::size_t>(p)] = last_child[static_cast<std::size_t>(p)] =
                static_cast<std::int32_t>(i);
        } else {
            next_sibling[static_cast<std::size_t>(last_child[static_cast<std::size_t>(p)])] =
                static_cast<std::int32_t>(i);
            last_child[static_cast<std::size_t>(p)] = static_cast<std::int32_t>(i);
        }
    }

    shown.assign(n, 0);
    stack.clear();
    auto walk = [&](std::uint32_t root) {
        stack.push_back({root, 0});
        while (!stack.empty()) {
            const TASK_LINE line = stack.back();
            stack.pop_back();
            if (shown[line.record])
                continue;
            shown[line.record] = 1;
            lines.push_back(line);
            // Pushed last to first, so the first child comes out next.
            const std::size_t mark = stack.size();
            for (std::int32_t c = first_child[line.record]; c != none;
                 c = next_sibling[static_cast<std::size_t>(c)])
                stack.push_back({static_cast<std::uint32_t>(c), line.depth + 1});
            std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(mark), stack.end());
        }
    };
    for (const std::uint32_t r : roots)
        walk(r);
    // Parents that name each other in a ring have no root among them: the
    // first of them in sorted order stands as one.
    for (const std::uint32_t i : order)
        if (!shown[i])
            walk(i);
}
