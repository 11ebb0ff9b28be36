// The few console questions the tool asks, answered on every platform.
#pragma once

#include <cstdio>

namespace tool {

// True when the stream is a terminal (a progress bar makes sense there).
bool isTerminal(std::FILE* stream);

// Switches a standard stream to binary, so that image bytes pass through
// unchanged where text mode translates line ends (Windows).
void setBinaryMode(std::FILE* stream);

}  // namespace tool
