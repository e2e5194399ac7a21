#include "monitor/priority_classes.h"

#include <algorithm>
#include <cstdlib>

const std::array<PRIORITY_CLASS_ENTRY, 6> priority_class_table = {{
    {PRIORITY_CLASS::realtime, -20, "Realtime"},
    {PRIORITY_CLASS::high, -10, "High"},
    {PRIORITY_CLASS::above_normal, -5, "Above normal"},
    {PRIORITY_CLASS::normal, 0, "Normal"},
    {PRIORITY_CLASS::below_normal, 5, "Below normal"},
    {PRIORITY_CLASS::idle, 19, "Low"},
}};

int nice_of_class(PRIORITY_CLASS priority_class) {
    for (const auto &e : priority_class_table)
        if (e.priority_class == priority_class)
            return e.nice;
    return 0;
}

PRIORITY_CLASS class_of_nice(int nice) {
    nice = std::clamp(nice, -20, 19);
    const PRIORITY_CLASS_ENTRY *best = nullptr;
    for (const auto &e : priority_class_table) {
        if (!best) {
            best = &e;
            continue;
        }
        const int d = std::abs(e.nice - nice), best_d = std::abs(best->nice - nice);
        // On a tie the class nearer Normal (nice 0) wins.
        if (d < best_d || (d == best_d && std::abs(e.nice) < std::abs(best->nice)))
            best = &e;
    }
    return best->priority_class;
}

int class_menu_index(PRIORITY_CLASS priority_class) {
    for (std::size_t i = 0; i < priority_class_table.size(); ++i)
        if (priority_class_table[i].priority_class == priority_class)
            return static_cast<int>(i);
    return -1;
}
