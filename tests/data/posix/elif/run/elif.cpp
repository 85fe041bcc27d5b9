#ifdef _WIN32
#include <windows.h>
#elif defined(CORVALA_TSAN)
#include <grp.h>
#endif
