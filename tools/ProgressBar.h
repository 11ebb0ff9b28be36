// A one-line progress bar redrawn in place on a terminal.
#pragma once

#include <cstddef>
#include <cstdio>

namespace tool {

class ProgressBar {
public:
    ProgressBar(std::FILE* out, std::size_t total);
    // Redraws the bar for `done` of the total.
    void show(std::size_t done);
    // Clears the line, so that what follows starts on a clean line.
    void clear();

private:
    std::FILE* out;
    std::size_t total;
};

}  // namespace tool
