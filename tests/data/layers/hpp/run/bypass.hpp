#pragma once
#include "station/x.h"
