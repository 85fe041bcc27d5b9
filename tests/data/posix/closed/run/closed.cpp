#ifndef _WIN32
#include <csignal>
#endif
#ifdef _WIN32
#include <io.h>
#endif
#include <pwd.h>
