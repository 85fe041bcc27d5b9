#include "run/../station/x.h"
