# Runs the layer check over the fixture tree beside this file and fails
# unless it stops on exactly the four broken rules planted there (and
# passes the allowed includes).
#
#   cmake -DCHECK=<check_layers.cmake> -P expect_faults.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_CURRENT_LIST_DIR}/src -P ${CHECK}
                RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE output)
if(result EQUAL 0)
  message(FATAL_ERROR "the check passed a tree with broken rules")
endif()
set(expected
    "catalogue/shortcuts_page.cpp: a catalogue file includes shell/main_form.h"
    "common/file_io.cpp: a common file includes the system header <unistd.h>"
    "monitor/tray_bitmap.cpp: a core file includes Qt <QWidget>"
    "toolkit/grid.cpp: Xlib or xcb <X11/Xlib.h> outside platform/linux")
foreach(fault ${expected})
  string(FIND "${output}" "${fault}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "not reported: ${fault}\n${output}")
  endif()
endforeach()
string(REGEX MATCHALL "\n    [a-z/_]+\\.(cpp|h):" reported "${output}")
list(LENGTH reported count)
if(NOT count EQUAL 4)
  message(FATAL_ERROR "expected 4 faults, the check reported ${count}:\n${output}")
endif()
message(STATUS "the check stops on each of the 4 broken rules and on nothing else")
