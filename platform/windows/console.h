// What the other Windows services need of the console.
#pragma once

// Waits up to ms for the console text written so far to reach the console, so
// that nothing is lost when the process ends.
void ConsoleDrain(unsigned ms);
// How long the program's ends wait for it.
constexpr unsigned kConsoleDrainMs = 2000;
