#!/usr/bin/python3
"""Walks one window of a running program through the AT-SPI registry, as a
screen reader sees it, and reports each control it could land on that has
no name.

usage: accessibility_walk.py PROGRAM WINDOW

PROGRAM is the program's name as it registers (its executable's name),
WINDOW the caption of its window. Every
page of every page control in the window is shown in turn (through its
tab's own action) and walked. Output, one item a line:

  PAGE <tab>                  a page that was walked
  CONTROL <role> '<name>' '<description>' <x> <y>
                              a shown, focusable object (table cells only
                              when they are check boxes) and its centre on
                              the screen
  UNNAMED <role> in <path>    a shown, focusable object without a name (a
                              blank table cell that is no check box is none)
  BAR <name>|<description>    a bar of a chart
  WALKED <count>              objects looked at

Exit status 0 after the walk, 2 when the window did not show in 20 s.
"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

S = Atspi.StateType


def states(obj):
    return obj.get_state_set()


def find_window(program, caption):
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            try:
                if app is None or app.get_name() != program:
                    continue
                # Always read afresh: the pages change under the walk.
                app.set_cache_mask(Atspi.Cache.NONE)
                for j in range(app.get_child_count()):
                    win = app.get_child_at_index(j)
                    if win is not None and win.get_name() == caption and states(win).contains(S.SHOWING):
                        return win
            except gi.repository.GLib.Error:
                continue
        time.sleep(0.2)
    return None


def children(obj):
    for i in range(obj.get_child_count()):
        child = obj.get_child_at_index(i)
        if child is not None:
            yield child


def walk(obj, path, found):
    found["walked"] += 1
    role = obj.get_role()
    st = states(obj)
    if not st.contains(S.SHOWING):
        return
    name = (obj.get_name() or "").strip()
    # Some toolkits tell a check box in a cell only while it is ticked.
    box = st.contains(S.CHECKABLE) or st.contains(S.CHECKED)
    blank_cell = role == Atspi.Role.TABLE_CELL and not box
    if st.contains(S.FOCUSABLE) and not name and not blank_cell:
        found["unnamed"].add("%s in %s" % (obj.get_role_name(), " / ".join(path)))
    if st.contains(S.FOCUSABLE) and (role != Atspi.Role.TABLE_CELL or box):
        box = obj.get_extents(Atspi.CoordType.SCREEN)
        found["controls"].add("%s '%s' '%s' %d %d" % (obj.get_role_name(), name, obj.get_description() or "",
                                                    box.x + box.width // 2, box.y + box.height // 2))
    if role == Atspi.Role.PAGE_TAB_LIST:
        found["tab_lists"].append(obj)
    if role == Atspi.Role.CHART:
        bars = [bar for bar in children(obj) if bar.get_role() == Atspi.Role.LIST_ITEM]
        found["empty_charts"] += not bars
        for bar in bars:
            found["bars"].add("%s|%s" % (bar.get_name(), bar.get_description()))
    here = path + ["%s '%s'" % (obj.get_role_name(), name)]
    for child in children(obj):
        walk(child, here, found)


def main():
    program, caption = sys.argv[1], sys.argv[2]
    window = find_window(program, caption)
    if window is None:
        print("no shown window '%s' of %s" % (caption, program))
        return 2
    found = {"walked": 0, "unnamed": set(), "controls": set(), "bars": set(), "tab_lists": [], "empty_charts": 0}
    walk(window, [], found)
    for tab_list in list(found["tab_lists"]):
        for tab in children(tab_list):
            if tab.get_role() != Atspi.Role.PAGE_TAB or tab.get_n_actions() == 0:
                continue
            tab.do_action(0)
            print("PAGE", tab.get_name())
            # A page may fill itself after it shows (the statistics are read
            # on a worker): a chart with no bars is looked at again.
            deadline = time.monotonic() + 5
            while True:
                found["empty_charts"] = 0
                walk(window, [], found)
                if found["empty_charts"] == 0 or time.monotonic() > deadline:
                    break
                time.sleep(0.2)
    for line in sorted(found["controls"]):
        print("CONTROL", line)
    for line in sorted(found["unnamed"]):
        print("UNNAMED", line)
    for line in sorted(found["bars"]):
        print("BAR", line)
    print("WALKED", found["walked"])
    return 0


if __name__ == "__main__":
    sys.exit(main())
