#include \
    "station/x.h"
