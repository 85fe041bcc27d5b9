#include <unistd.h>
#include <sys/socket.h>
