// Every way of keeping a POSIX header from a Windows build.
#include "run/guarded.h"

#include <csignal>
#include <cstdio>

#ifndef _WIN32
#include <unistd.h>
#endif

#if !defined(_WIN32)
#include <fcntl.h>
#endif

#if ! defined _WIN32
#include <sys/stat.h>
#endif

#ifdef __linux__
#include <pty.h>
#endif

#if defined(__unix__)
#include <termios.h>
#endif

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#endif

#if defined(_WIN32)  // the Windows calls
#include <io.h>
#else  // everything else
#include <dirent.h>
#endif

#ifndef _WIN32
#ifdef CORVALA_TSAN
#include <dlfcn.h>
#endif
#endif

// After "#ifdef _WIN32", an #elif branch is taken only elsewhere.
#ifdef _WIN32
#include <windows.h>
#elif defined(CORVALA_TSAN)
#include <grp.h>
#endif

// Windows has a fcntl.h of its own (_O_BINARY); only Windows reads this one.
#ifdef _WIN32
#include <fcntl.h>
#endif
#ifndef _WIN32
#include <csignal>
#else
#include <io.h>
#include <fcntl.h>
#endif
