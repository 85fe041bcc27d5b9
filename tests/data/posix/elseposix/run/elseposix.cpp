#ifndef _WIN32
#include <csignal>
#else
#include <unistd.h>
#endif
