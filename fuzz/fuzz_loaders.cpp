// libFuzzer harness for the file wrappers: the bytes go into an in-memory
// file that all three loaders open by path, and decode() must agree with the
// loader of the format it chooses.
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::MemoryFile file;
    const char* path = file.hold(data, size);
    fuzz::runLoaders(path, data, size);
    return 0;
}
