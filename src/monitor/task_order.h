// The order of the Tasks page's rows: by any column of the column table,
// either way, as a flat list or as a tree of parents and children, over
// the processes a filter keeps. Pure.
#pragma once

#include "monitor/task_columns.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

struct TASK_SORT {
    int column = task_name_column; // index into task_columns()
    bool descending = false;
};

// True when a comes before b: by the column's sort key (reversed when
// descending), then by name (ASCII case ignored), then by id, whatever the
// direction. So rows whose keys are equal keep one steady order from one
// refresh to the next.
bool task_before(const TASK_RECORD &a, const TASK_RECORD &b, const TASK_SORT &sort);

// One row: the record it shows and, in a tree, how deep it sits (0: a
// root).
struct TASK_LINE {
    std::uint32_t record = 0; // index into the records
    std::uint32_t depth = 0;
};

// The rows of the records that keep(index) keeps, in order, into lines
// (its room is reused). records are in ascending id order, as the process
// table holds them.
// Flat: sorted by task_before. Tree: each process under its parent,
// children sorted by task_before within each level; a process whose
// parent is not kept, is itself, is id 0 (the idle process creates none)
// or started after it (the id was reused) is a root.
void order_tasks(std::span<const TASK_RECORD> records, const TASK_SORT &sort, bool tree,
                 const std::function<bool(std::size_t)> &keep, std::vector<TASK_LINE> &lines);
