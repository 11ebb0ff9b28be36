// The lines the loaders print for a refusal. Each loader keeps its own small
// table in its wrapper (ImageLoaderTGA.cpp, ImageLoaderTIFF.cpp,
// ImageLoaderRGBA.cpp); the public decoders send the same line to their
// trace. Internal to ornatex.
#pragma once

#include <cstddef>
#include <string>

#include "Outcome.h"

namespace ornatex::detail {

// How a loader answers one check: `line` is its text with the check's value
// for %u, without the line end; null when the loader prints nothing.
struct LoaderLine {
    Check check;
    const char* line;
};

// The outcome's line from a loader's table; a check the table does not name
// gives "<format> file refused: <reason>". Empty when nothing is printed.
std::string refusalLine(const LoaderLine* table, std::size_t entries, const char* format, const Outcome& outcome);

// Each loader's line for a refusal; loadTGAsub words an image type its own way.
std::string tgaRefusalLine(const Outcome& outcome, bool subImage = false);
std::string tiffRefusalLine(const Outcome& outcome);
std::string sgiRefusalLine(const Outcome& outcome);

}  // namespace ornatex::detail
