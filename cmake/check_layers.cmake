# Fails when a file of src/ includes something its layer may not use:
# a header of a layer above its own (layers.cmake), Qt in core or common,
# Xlib or xcb outside src/platform/linux/, or a system header of the
# operating system (POSIX) outside src/platform/.
#
#   cmake -DSOURCE_DIR=<absolute path of src> -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

set(os_headers unistd.h fcntl.h dirent.h pwd.h grp.h signal.h csignal spawn.h poll.h
    dlfcn.h termios.h)

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.h)
set(faults "")
foreach(file ${files})
  vorkel_layer_of(${file} layer)
  set(allowed ${vorkel_layer_${layer}})
  file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line ${includes})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" name "${line}")
    if(line MATCHES "include[ \t]*\"" AND name MATCHES "^[a-z]+/" AND EXISTS ${SOURCE_DIR}/${name})
      vorkel_layer_of(${name} target)
      list(FIND allowed ${target} at)
      if(at EQUAL -1)
        list(APPEND faults "${file}: a ${layer} file includes ${name} (${target})")
      endif()
    elseif(name MATCHES "^Q" AND (layer STREQUAL "core" OR layer STREQUAL "common"))
      list(APPEND faults "${file}: a ${layer} file includes Qt <${name}>")
    elseif(name MATCHES "^(X11|xcb)/" AND NOT file MATCHES "^platform/linux/")
      list(APPEND faults "${file}: Xlib or xcb <${name}> outside platform/linux")
    elseif(NOT layer STREQUAL "platform" AND (name MATCHES "^sys/" OR name IN_LIST os_headers))
      list(APPEND faults "${file}: a ${layer} file includes the system header <${name}> (a platform/ header offers the call)")
    endif()
  endforeach()
endforeach()
if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Layer rules broken:\n  ${text}")
endif()
