#ifdef _WIN32
#include <fcntl.h>
#endif
