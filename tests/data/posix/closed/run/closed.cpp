#ifndef _WIN32
#include <csignal>
#endif
#include <pwd.h>
