#ifdef CORVALA_TSAN
#include <csignal>
#else
#include <unistd.h>
#endif
