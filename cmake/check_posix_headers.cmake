# Fails when a source under src/ outside util/ and devsim/ includes a header
# that only POSIX systems have (unistd.h, fcntl.h, sys/..., termios.h, ...)
# where a Windows build would see it. Run by ctest:
#   cmake -DSOURCE_DIR=<repo>/src -P check_posix_headers.cmake
#
# The system's calls belong in util/, each behind a function with a Windows
# branch; the device simulator (devsim/) runs on a pseudo-terminal and stays
# Linux-only.
#
# An include counts as guarded inside a block that only POSIX systems compile:
#   #ifndef _WIN32            #if !defined(_WIN32)      #if !defined _WIN32
#   #ifdef __linux__          #if defined(__linux__)    (also __unix__)
# or in the #elif and #else branches of "#ifdef _WIN32" / "#if defined(_WIN32)";
# and inside a block that only Windows compiles (#ifdef _WIN32, the #else of
# #ifndef _WIN32): some of these names are Windows headers too (fcntl.h).
# Any other condition, however it reads, guards nothing. Lines continued with a backslash
# are joined first.
cmake_minimum_required(VERSION 3.25)

set(exempt_folders "util;devsim")
set(posix_headers
    unistd.h fcntl.h pwd.h grp.h termios.h termio.h pty.h poll.h dlfcn.h dirent.h malloc.h
    pthread.h semaphore.h sched.h syslog.h utmp.h utmpx.h libgen.h glob.h fnmatch.h wordexp.h
    spawn.h strings.h netdb.h mntent.h ucontext.h regex.h utime.h ifaddrs.h)
set(posix_prefixes "^(sys|arpa|netinet|net|linux|asm)/")
set(source_pattern "\\.(h|hh|hpp|hxx|h\\+\\+|inl|ipp|tpp|tcc|c|cc|cpp|cxx|c\\+\\+)$")

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)

# What a condition means for POSIX: "posix" when only POSIX systems take the
# branch, "windows" when only Windows does, "other" otherwise.
function(condition_kind keyword condition out)
  string(REGEX REPLACE "[ \t]" "" condition "${condition}")
  set(kind other)
  if(keyword STREQUAL "ifndef")
    if(condition STREQUAL "_WIN32")
      set(kind posix)
    endif()
  elseif(keyword STREQUAL "ifdef")
    if(condition STREQUAL "_WIN32")
      set(kind windows)
    elseif(condition MATCHES "^(__linux__|__unix__)$")
      set(kind posix)
    endif()
  else()  # if, elif
    if(condition MATCHES "^!defined(\\(_WIN32\\)|_WIN32)$")
      set(kind posix)
    elseif(condition MATCHES "^defined(\\(_WIN32\\)|_WIN32)$")
      set(kind windows)
    elseif(condition MATCHES "^defined(\\((__linux__|__unix__)\\)|__linux__|__unix__)$")
      set(kind posix)
    endif()
  endif()
  set(${out} ${kind} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE all_files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
set(violations "")
set(checked 0)
foreach(source IN LISTS all_files)
  string(TOLOWER "${source}" lower)
  if(NOT lower MATCHES "${source_pattern}")
    continue()
  endif()
  string(REGEX MATCH "^[^/]+" folder "${source}")
  if(folder IN_LIST exempt_folders)
    continue()
  endif()
  math(EXPR checked "${checked} + 1")

  file(READ "${SOURCE_DIR}/${source}" text)
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REGEX REPLACE "\\\\\r?\n" "" text "${text}")
  string(REGEX MATCHALL "\n[ \t]*#[^\n]*" directives "\n${text}")

  # One entry per open conditional: the kind of its first condition ("+elif"
  # once an #elif was read), and whether the branch being read is taken only on
  # POSIX systems (posix), only on Windows (windows) or either (any).
  set(conditions "")
  set(branches "")
  foreach(directive IN LISTS directives)
    string(STRIP "${directive}" directive)
    string(REGEX REPLACE "//.*$" "" directive "${directive}")
    string(REGEX REPLACE "/\\*.*$" "" directive "${directive}")
    if(directive MATCHES "^#[ \t]*(ifdef|ifndef|if)([ \t(!].*)$")
      condition_kind(${CMAKE_MATCH_1} "${CMAKE_MATCH_2}" kind)
      list(APPEND conditions ${kind})
      if(kind STREQUAL "other")
        list(APPEND branches any)
      else()
        list(APPEND branches ${kind})
      endif()
    elseif(directive MATCHES "^#[ \t]*elif([ \t(!].*)$")
      if(conditions)
        condition_kind(elif "${CMAKE_MATCH_1}" kind)
        list(GET conditions -1 first)
        string(REPLACE "+elif" "" first "${first}")
        list(POP_BACK conditions)
        list(POP_BACK branches)
        list(APPEND conditions "${first}+elif")
        # After "#ifdef _WIN32", every further branch is taken only elsewhere.
        if(first STREQUAL "windows" OR kind STREQUAL "posix")
          list(APPEND branches posix)
        elseif(kind STREQUAL "windows")
          list(APPEND branches windows)
        else()
          list(APPEND branches any)
        endif()
      endif()
    elseif(directive MATCHES "^#[ \t]*else")
      if(conditions)
        list(GET conditions -1 first)
        list(POP_BACK branches)
        if(first MATCHES "^windows")
          list(APPEND branches posix)
        elseif(first STREQUAL "posix")
          list(APPEND branches windows)
        else()
          list(APPEND branches any)
        endif()
      endif()
    elseif(directive MATCHES "^#[ \t]*endif")
      if(conditions)
        list(POP_BACK conditions)
        list(POP_BACK branches)
      endif()
    elseif(directive MATCHES "^#[ \t]*include(_next)?[ \t]*[<\"]([^>\"]*)[>\"]")
      set(header "${CMAKE_MATCH_2}")
      cmake_path(SET header NORMALIZE "${header}")
      if(NOT header IN_LIST posix_headers AND NOT header MATCHES "${posix_prefixes}")
        continue()
      endif()
      # Guarded inside a branch that only POSIX systems take; in one that only
      # Windows takes, the header is Windows' own (fcntl.h for _O_BINARY).
      if(NOT "posix" IN_LIST branches AND NOT "windows" IN_LIST branches)
        list(APPEND violations
             "${source}: ${header} is a POSIX header: guard it with #ifndef _WIN32 or call the system through util/ (${directive})")
      endif()
    endif()
  endforeach()
endforeach()

list(LENGTH violations count)
if(count GREATER 0)
  list(JOIN violations "\n  " text)
  string(REPLACE "<semicolon>" ";" text "${text}")
  message(FATAL_ERROR "POSIX headers where Windows builds would see them:\n  ${text}")
endif()
message(STATUS "${checked} sources outside util/ and devsim/ include no POSIX header unguarded")
