#if !defined(_WIN32) || defined(CORVALA_ANYWHERE)
#include <poll.h>
#endif
