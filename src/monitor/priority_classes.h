// The six priority classes of the Tasks page's "Set priority" menu and the
// one table between them and Linux nice values.
//
// Setting: Realtime -20, High -10, Above normal -5, Normal 0, Below normal
// 5, Low 19. Reading back, a nice value belongs to the class whose value is
// nearest; a tie goes to the class nearer Normal (so -15 is High, 2 is
// Normal, 3 is Below normal, 12 is Below normal, 13 is Low). No class ever
// means a real-time scheduling policy: "Realtime" is only the most
// favourable nice value.
//
// Pure; any thread.
#pragma once

#include <array>
#include <cstdint>

// The class codes the program stores and compares (the Windows values).
enum class PRIORITY_CLASS : std::uint32_t {
    realtime = 0x100,
    high = 0x80,
    above_normal = 0x8000,
    normal = 0x20,
    below_normal = 0x4000,
    idle = 0x40,
};

struct PRIORITY_CLASS_ENTRY {
    PRIORITY_CLASS priority_class;
    int nice;
    const char *caption; // the menu item's text
};

// In menu order: Realtime, High, Above normal, Normal, Below normal, Low.
extern const std::array<PRIORITY_CLASS_ENTRY, 6> priority_class_table;

// The nice value a class is set as.
int nice_of_class(PRIORITY_CLASS priority_class);

// The class a nice value reads as (values outside -20..19 are clamped).
PRIORITY_CLASS class_of_nice(int nice);

// The class's position in priority_class_table (menu order).
int class_menu_index(PRIORITY_CLASS priority_class);

// Told wherever Vorkel asks before lowering a priority it could not raise
// again: what gives it that right.
inline constexpr const char *raise_right_hint =
    "Starting Vorkel with the CAP_SYS_NICE capability avoids this.";
