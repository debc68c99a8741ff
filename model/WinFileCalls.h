// What the Windows file calls leave for messages: the system's error code of
// the last call that failed on this thread.
#pragma once

namespace q4t {

unsigned long lastFileCallError();
void noteFileCallError(unsigned long code);  // and errno to match

}  // namespace q4t
