#!/usr/bin/python3
"""Walks one window of a running program through the AT-SPI registry, as a
screen reader sees it, showing each page of its page controls in turn (by
the tab's own action).

usage: accessibility_walk.py PROGRAM WINDOW [TABLE]   (the name the program
registers, its executable's; the window's caption; a table's name)

Prints, one a line: PAGE <tab> for each page walked; CONTROL <role>
'<name>' '<description>' <x> <y> for each shown object that takes the focus
(table cells only when they are check boxes), with its centre on the
screen; UNNAMED <role> in <path> for each of those without a name (a blank
cell that is no check box has nothing to name); BAR <name>|<description>
for each bar of a chart. Exit status 2 when the window did not show in 20 s.
With TABLE: only CELL <text> for each row's second cell of that table, as
its table interface gives them place by place, then HEAD <x> <y>, the
centre of the header above that column on the screen.
"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

S = Atspi.StateType


def find_window(program, caption):
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        desktop = Atspi.get_desktop(0)
        for app in children(desktop):
            try:
                if app.get_name() != program:
                    continue
                app.set_cache_mask(Atspi.Cache.NONE)  # pages change under the walk
                for win in children(app):
                    if win.get_name() == caption and win.get_state_set().contains(S.SHOWING):
                        return win
            except gi.repository.GLib.Error:
                continue  # a program that went meanwhile
        time.sleep(0.2)
    return None


def children(obj):
    return [c for c in (obj.get_child_at_index(i) for i in range(obj.get_child_count())) if c is not None]


def walk(obj, path, found):
    role, st = obj.get_role(), obj.get_state_set()
    if not st.contains(S.SHOWING):
        return
    name = (obj.get_name() or "").strip()
    # Some toolkits tell a check box in a cell only while it is ticked.
    box = st.contains(S.CHECKABLE) or st.contains(S.CHECKED)
    if st.contains(S.FOCUSABLE) and (role != Atspi.Role.TABLE_CELL or box):
        area = obj.get_extents(Atspi.CoordType.SCREEN)
        found["CONTROL"].add("%s '%s' '%s' %d %d" % (obj.get_role_name(), name, obj.get_description() or "",
                                                   area.x + area.width // 2, area.y + area.height // 2))
    if st.contains(S.FOCUSABLE) and not name and (role != Atspi.Role.TABLE_CELL or box):
        found["UNNAMED"].add("%s in %s" % (obj.get_role_name(), " / ".join(path)))
    if role == Atspi.Role.PAGE_TAB_LIST:
        found["tab lists"].append(obj)
    if role == Atspi.Role.CHART:
        bars = [bar for bar in children(obj) if bar.get_role() == Atspi.Role.LIST_ITEM]
        found["empty charts"] += not bars
        found["BAR"].update("%s|%s" % (bar.get_name(), bar.get_description()) for bar in bars)
    for child in children(obj):
        walk(child, path + ["%s '%s'" % (obj.get_role_name(), name)], found)


def find(obj, role, name):
    if obj.get_role() == role and obj.get_name() == name:
        return obj
    for child in children(obj):
        found = find(child, role, name)
        if found is not None:
            return found
    return None


def print_cells(window, name):
    table = find(window, Atspi.Role.TABLE, name)
    if table is None:
        print("no table '%s'" % name)
        return 1
    area = None
    for row in range(table.get_n_rows()):
        cell = table.get_accessible_at(row, 1)
        print("CELL", cell.get_name())
        if row == 0:
            area = cell.get_extents(Atspi.CoordType.SCREEN)
    if area is not None:
        print("HEAD %d %d" % (area.x + area.width // 2, area.y - area.height // 2))
    return 0


def main():
    window = find_window(sys.argv[1], sys.argv[2])
    if window is None:
        print("no shown window '%s' of %s" % (sys.argv[2], sys.argv[1]))
        return 2
    if len(sys.argv) > 3:
        return print_cells(window, sys.argv[3])
    found = {"CONTROL": set(), "UNNAMED": set(), "BAR": set(), "tab lists": [], "empty charts": 0}
    walk(window, [], found)
    for tab_list in list(found["tab lists"]):
        for tab in children(tab_list):
            if tab.get_role() != Atspi.Role.PAGE_TAB or tab.get_n_actions() == 0:
                continue
            tab.do_action(0)
            print("PAGE", tab.get_name())
            # A page may fill itself after it shows (the statistics are read
            # on a worker): a chart without bars is looked at again.
            deadline = time.monotonic() + 5
            while True:
                found["empty charts"] = 0
                walk(window, [], found)
                if found["empty charts"] == 0 or time.monotonic() > deadline:
                    break
                time.sleep(0.2)
    for kind in ("CONTROL", "UNNAMED", "BAR"):
        for line in sorted(found[kind]):
            print(kind, line)
    return 0


if __name__ == "__main__":
    sys.exit(main())
