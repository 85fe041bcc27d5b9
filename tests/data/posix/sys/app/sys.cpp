#include <cstdio>
#include <sys/stat.h>
