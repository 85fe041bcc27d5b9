#define STATION_HEADER "station/x.h"
#include STATION_HEADER
