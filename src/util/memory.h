#pragma once
// Handing memory back to the system after a big operation.

namespace corvala {

// Returns the heap's free memory to the system where the C library keeps it
// (a week-long run loaded or saved frees tens of MB that would otherwise stay
// resident). Does nothing where the library offers no way to.
void ReturnFreeMemory();

}  // namespace corvala
