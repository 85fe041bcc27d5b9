#pragma once
#include "termios.h"
