// libFuzzer harness for the TGA loader.
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::MemoryFile file;
    const char* path = file.hold(data, size);
    fuzz::runTGA(path, data, size);
    return 0;
}
