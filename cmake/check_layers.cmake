# Fails when a source under src/ includes a header of a folder it must not use,
# or uses Qt where no Qt belongs. Run by ctest:
#   cmake -DSOURCE_DIR=<repo>/src -P check_layers.cmake
#
# The layers, lowest first; a folder may include its own headers and those of
# the folders listed for it:
#   util <- device <- run <- analysis <- files <- station <- chart, report <- app
#   devsim uses util and device; tools use everything below chart.
#
# An include is judged by the file it names, whatever way it is written: quoted
# or in angle brackets, with "." and ".." in the path, continued on the next
# line. An include through a macro cannot be judged and is refused.
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

# Every C and C++ source and header, whatever its extension.
set(source_pattern "\\.(h|hh|hpp|hxx|h\\+\\+|inl|ipp|tpp|tcc|c|cc|cpp|cxx|c\\+\\+)$")

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()
file(GLOB_RECURSE all_files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
set(sources "")
foreach(file IN LISTS all_files)
  string(TOLOWER "${file}" lower)
  if(lower MATCHES "${source_pattern}")
    list(APPEND sources "${file}")
  endif()
endforeach()

# The include directives of a file, one per element: lines continued with a
# backslash joined first, so that a directive split over lines reads as one.
function(include_directives path out)
  file(READ "${path}" text)
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REGEX REPLACE "\\\\\r?\n" "" text "${text}")
  string(REGEX MATCHALL "\n[ \t]*#[ \t]*include[^\n]*" found "\n${text}")
  set(directives "")
  foreach(directive IN LISTS found)
    string(STRIP "${directive}" directive)
    list(APPEND directives "${directive}")
  endforeach()
  set(${out} "${directives}" PARENT_SCOPE)
endfunction()

set(violations "")
foreach(source IN LISTS sources)
  string(REGEX MATCH "^[^/]+" folder "${source}")
  if(NOT DEFINED allowed_${folder})
    list(APPEND violations "${source}: the folder ${folder} has no place in the layers")
    continue()
  endif()
  get_filename_component(source_folder "${source}" DIRECTORY)
  include_directives("${SOURCE_DIR}/${source}" lines)
  foreach(line IN LISTS lines)
    if(line MATCHES "^#[ \t]*include(_next)?[ \t]*\"([^\"]*)\"")
      set(named "${CMAKE_MATCH_2}")
      set(quoted TRUE)
    elseif(line MATCHES "^#[ \t]*include(_next)?[ \t]*<([^>]*)>")
      set(named "${CMAKE_MATCH_2}")
      set(quoted FALSE)
    else()
      list(APPEND violations "${source}: an include through a macro cannot be checked (${line})")
      continue()
    endif()
    if(NOT quoted AND named MATCHES "^Q")
      if(NOT folder IN_LIST qt_folders AND NOT source IN_LIST qt_files)
        list(APPEND violations "${source}: Qt does not belong in ${folder} (${line})")
      endif()
      continue()
    endif()
    # A quoted name is looked up beside the including file first, then from src/.
    cmake_path(SET header NORMALIZE "${named}")
    if(quoted)
      cmake_path(SET beside NORMALIZE "${source_folder}/${named}")
      if(EXISTS "${SOURCE_DIR}/${beside}" OR NOT header MATCHES "/")
        set(header "${beside}")
      endif()
    endif()
    if(header MATCHES "^\\.\\./")
      list(APPEND violations "${source}: the include reaches out of the sources (${line})")
      continue()
    endif()
    if(NOT header MATCHES "^([^/]+)/")
      continue()
    endif()
    set(target "${CMAKE_MATCH_1}")
    # In angle brackets only the folders of the layers are ours; the rest is the system's.
    if(NOT quoted AND NOT DEFINED allowed_${target})
      continue()
    endif()
    if(NOT target IN_LIST allowed_${folder})
      list(APPEND violations "${source}: ${folder} must not include ${target} (${line})")
    endif()
  endforeach()
endforeach()

list(LENGTH violations count)
if(count GREATER 0)
  list(JOIN violations "\n  " text)
  string(REPLACE "<semicolon>" ";" text "${text}")
  message(FATAL_ERROR "Includes against the layers:\n  ${text}")
endif()
list(LENGTH sources files)
message(STATUS "${files} sources follow the layers")
