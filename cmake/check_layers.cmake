# Fails when a source under src/ includes a header of a folder it must not use,
# or uses Qt where no Qt belongs. Run by ctest:
#   cmake -DSOURCE_DIR=<repo>/src -P check_layers.cmake
#
# The layers, lowest first; a folder may include its own headers and those of
# the folders listed for it:
#   util <- device <- run <- analysis <- files <- station <- chart, report <- app
#   devsim uses util and device; tools use everything below chart.
cmake_minimum_required(VERSION 3.25)
set(allowed_util "util")
set(allowed_device "util;device")
set(allowed_run "util;device;run")
set(allowed_analysis "util;device;run;analysis")
set(allowed_files "util;device;run;analysis;files")
set(allowed_station "util;device;run;analysis;files;station")
set(allowed_chart "util;device;run;analysis;chart")
set(allowed_report "util;device;run;analysis;report")
set(allowed_devsim "util;device;devsim")
set(allowed_tools "util;device;run;analysis;files;station;tools")
set(allowed_app "util;device;run;analysis;files;station;chart;report;devsim;app")

# Only these may include Qt headers: drawing, the window, and the serial port.
set(qt_folders "chart;report;app")
set(qt_files "device/serial_link.h;device/serial_link.cpp;device/port_catalog.cpp")

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()
file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
set(violations "")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" folder "${source}")
  if(NOT DEFINED allowed_${folder})
    list(APPEND violations "${source}: the folder ${folder} has no place in the layers")
    continue()
  endif()
  file(STRINGS "${SOURCE_DIR}/${source}" lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "#[ \t]*include[ \t]*\"([^/\"]+)/[^\"]+\"")
      set(target "${CMAKE_MATCH_1}")
      if(NOT target IN_LIST allowed_${folder})
        list(APPEND violations "${source}: ${folder} must not include ${target} (${line})")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<Q")
      if(NOT folder IN_LIST qt_folders AND NOT source IN_LIST qt_files)
        list(APPEND violations "${source}: Qt does not belong in ${folder} (${line})")
      endif()
    endif()
  endforeach()
endforeach()

list(LENGTH violations count)
if(count GREATER 0)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Includes against the layers:\n  ${text}")
endif()
list(LENGTH sources files)
message(STATUS "${files} sources follow the layers")
