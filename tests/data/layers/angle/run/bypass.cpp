#include <station/x.h>
