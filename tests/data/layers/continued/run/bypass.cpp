// The include is continued on the next line on purpose.
// clang-format off
#include \
    "station/x.h"
