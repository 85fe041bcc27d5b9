#pragma once
// The program's end by a signal. SIGTERM and SIGINT (Ctrl-C) are turned into a
// byte on a socket, so that the window's event loop can notice them and close
// in order instead of the program dying where it stands.
//
// Windows has no such signals to catch: there Ctrl-C on the console ends the
// program as the system does, and WatchTerminationSignals returns -1.

namespace corvala {

// Installs the handlers and returns the socket that becomes readable when a
// signal arrives; -1 when none could be made (the signals then end the
// program as they do by default). Called once.
int WatchTerminationSignals();

// Takes one arrived signal's byte off the socket, so that it does not stay readable.
void TakeTerminationSignal(int socket);

}  // namespace corvala
