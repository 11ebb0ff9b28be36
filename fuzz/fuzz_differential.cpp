// libFuzzer harness: our decoders against libtiff and stb_image, and the
// tool's import step on every input (DifferentialRun.h).
#include "DifferentialRun.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::runDifferential(data, size);
    return 0;
}
