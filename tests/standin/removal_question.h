#pragma once
// Windows' question to the program's windows before a device is removed.

namespace zel::standin {

// Asks this process's top-level windows whether the device may go, holding no lock of
// the stand-in (an answer may call back into it); the next removal on this thread then
// counts a refusal as a veto.
void askWindowsBeforeRemoval();

} // namespace zel::standin
