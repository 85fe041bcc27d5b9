#ifdef CORVALA_TSAN
#include <csignal>
#elif defined(CORVALA_ASAN)
#include <grp.h>
#endif
