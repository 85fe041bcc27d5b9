#include "run/plain.h"

#include <unistd.h>
