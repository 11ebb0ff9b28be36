// libFuzzer harness for decodeTIFF: the bytes go straight to the decoder.
#include "DecoderRuns.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::runDecoder(fuzz::Decoder::tiff, data, size);
    return 0;
}
