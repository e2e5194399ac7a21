// The arithmetic of keeping a process table's keys equal to the running
// processes. Pure: the enumerator is passed in, no OS or Qt header.
#pragma once

#include "monitor/process_info.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// Fills an array of capacity ids and reports how many it wrote (the shape
// of platform::enum_processes).
using ID_ENUMERATOR =
    std::function<bool(std::uint32_t *ids, std::size_t capacity, std::size_t &count)>;

// The complete id list: enumerates into ids, starting with room for
// capacity ids (at least 1), and while the answer fills the whole array
// enlarges it and asks again. On return capacity is the size that
// sufficed, a good start for the next call. False when the enumerator
// fails; ids is then empty.
bool collect_process_ids(const ID_ENUMERATOR &enumerate, std::vector<std::uint32_t> &ids,
                         std::size_t &capacity);

// Makes table's keys equal to ids, every listed id included (on Linux ids
// 5, 6 and 7 are processes like any other): a listed id without a record
// gets a new one (pid set, all else zero);
// existing records keep their figures; records of ids not listed are
// removed. Ids may come in any order and repeat.
void sync_process_map(PROCESS_MAP &table, std::span<const std::uint32_t> ids);
