#pragma once
// #include <unistd.h> in a comment is not an include.
