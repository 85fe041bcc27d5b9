// #include "station/x.h" is no include: it is a comment.
#include <gtest/gtest.h>
#include <vector>

#include "../util/x.h"
#include "own.h"
#include "run/own.h"
#include "util/x.h"
