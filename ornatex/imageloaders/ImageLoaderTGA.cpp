#include <ornatex/imageloaders/ImageLoaderTGA.h>

#include <corvane/kwTexture.h>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "internal/LoaderLines.h"
#include "internal/TextSink.h"
#include "internal/TgaDecode.h"
#include "internal/WholeFile.h"

using ornatex::detail::TgaHeader;
using ornatex::detail::TgaLayout;

namespace {

enum class Operation { raw, sub, colorData };

// What the three operations print while the header is read: the header
// report (getColorData only) and the colour-map warning, on the stream the
// operation uses.
class LoaderSteps : public ornatex::detail::TgaSteps {
public:
    explicit LoaderSteps(Operation op) : op_(op) {}

    void headerAccepted(const TgaHeader& header) override {
        if (op_ != Operation::colorData) return;
        std::cout << "Image type: " << header.imageType << std::endl;
        std::cout << "Color map: " << header.colorMapType << std::endl;
        std::cout << "Pixel size: " << header.depth << std::endl;
        std::cout << "Width: " << header.width << std::endl;
        std::cout << "Height: " << header.height << std::endl;
    }

    void colorMapPresent() override {
        if (op_ == Operation::sub)
            std::cout << "Colormap not implemented...." << std::endl;
        else
            std::printf("Colormap not implemented....\n");
    }

private:
    Operation op_;
};

// Reads the file and runs the decoding steps: for getColorData the whole
// file, exchanged in place (its caller keeps the block); for a texture only
// the pixels, read piece by piece into a block of their own. Returns the
// pixels (stored row order, as the texture gets them), or null after the
// refusal was printed, the one place that prints it.
unsigned char* load(Operation op, const char* path, ornatex::ByteBlock& block, TgaLayout& layout) {
    using namespace ornatex::detail;
    LoaderSteps steps(op);
    WholeFileStatus status;
    Outcome outcome;
    unsigned char* pixels = nullptr;
    if (op == Operation::colorData) {
        status = readWholeFile(path, block);
        if (status.result == WholeFileResult::ok) {
            outcome = decodeTgaInPlace(block.data(), block.size(), steps, layout);
            pixels = block.data() + layout.pixelStart;
        }
    } else {
        FileReader file;
        status = file.open(path);
        if (status.result == WholeFileResult::ok) {
            outcome = decodeTgaFile(file, steps, layout, block, status);
            pixels = block.data();
        }
    }
    StdoutSink out;
    if (status.result != WholeFileResult::ok) {
        out.put(wholeFileLoaderLine(status.result, "TGA"));
        return nullptr;
    }
    if (outcome.ok()) return pixels;
    out.put(tgaRefusalLine(outcome, op == Operation::sub));
    return nullptr;
}

int loadIntoTexture(Operation op, kwTexture* texture, const char* path) {
    ornatex::ByteBlock block;
    TgaLayout layout;
    unsigned char* pixels = load(op, path, block, layout);
    if (!pixels) return 0;
    const int width = static_cast<int>(layout.header.width), height = static_cast<int>(layout.header.height);
    if (op == Operation::sub)
        texture->loadSubImage(0, 0, width, height, layout.format, pixels);
    else
        texture->loadImage(width, height, layout.format, pixels);
    return 0;
}

}  // namespace

namespace ornatex::detail {

// This loader's words for the checks it answers its own way; loadTGAsub
// names the image types it takes differently.
std::string tgaRefusalLine(const Outcome& outcome, bool subImage) {
    const LoaderLine lines[] = {
        {Check::tgaImageType, subImage ? "Unsupported format, only 24-bit RGB supported so far: %u"
                                       : "Unsupported format, only 24-bit RGB and 32-bit RGBA supported so far: %u"},
        {Check::noMemory, nullptr}};
    return refusalLine(lines, std::size(lines), "TGA", outcome);
}

}  // namespace ornatex::detail

int ImageLoaderTGA::loadTGAraw(kwTexture* texture, const char* path) {
    return loadIntoTexture(Operation::raw, texture, path);
}

int ImageLoaderTGA::loadTGAsub(kwTexture* texture, const char* path) {
    return loadIntoTexture(Operation::sub, texture, path);
}

void* ImageLoaderTGA::getColorData(const char* path) {
    ornatex::ByteBlock block;
    TgaLayout layout;
    unsigned char* pixels = load(Operation::colorData, path, block, layout);
    if (!pixels) return nullptr;
    // On success the block lives on for the rest of the process: the caller
    // holds an address inside it.
    block.release();
    return pixels;
}

ImageLoaderTGA& ImageLoaderTGA::operator=(const ImageLoaderTGA&) = default;
