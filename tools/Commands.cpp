#include "Commands.h"

#include <cstdio>

namespace tool {

int usageError(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "ornatex %s: %s\n", command.c_str(), message.c_str());
    std::fprintf(stderr, "Try 'ornatex help %s'.\n", command.c_str());
    return exitUsage;
}

}  // namespace tool
