#include <pty.h>
#include <termios.h>
