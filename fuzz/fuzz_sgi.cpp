// libFuzzer harness for decodeSGI: the bytes go straight to the decoder.
#include "DecoderRuns.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::runDecoder(fuzz::Decoder::sgi, data, size);
    return 0;
}
