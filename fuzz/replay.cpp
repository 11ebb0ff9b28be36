// Replays files through every decoder and every loader (TGA, TIFF, SGI),
// whatever their format, holding decode() to the loader of the format it
// chooses: the regression check for the fuzzing corpora. Arguments are files or
// folders (searched recursively). Exits non-zero when no file was found; a
// loader fault aborts (or trips a sanitizer).
#include "DecoderRuns.h"
#include "FuzzInput.h"

#include <iostream>
#include <vector>

#include "CorpusFiles.h"

int main(int argc, char** argv) {
    fuzz::MemoryFile memory;
    const std::size_t files = fuzz::replayCorpus(
        argc, argv, "replay", [&](const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
            std::cerr << "replay: " << path.string() << " (" << bytes.size() << " bytes)\n";
            const char* held = memory.hold(bytes.data(), bytes.size());
            for (fuzz::Decoder d : {fuzz::Decoder::tga, fuzz::Decoder::tiff, fuzz::Decoder::sgi})
                fuzz::runDecoder(d, bytes.data(), bytes.size());
            fuzz::runLoaders(held, bytes.data(), bytes.size());
        });
    if (files == 0) return 1;
    std::cerr << "replay: " << files << " files through 3 decoders and 3 loaders\n";
    return 0;
}
