// Choosing a loader for a file and loading it into a texture.
#pragma once

#include <string>

#include <corvane/kwTexture.h>

namespace tool {

enum class ImageKind { unknown, tga, sgi, tiff };

// The loader for a file: by its magic bytes first (TIFF "II*\0" or "MM\0*",
// SGI 474 big-endian), then by its extension (.tif .tiff; .rgb .rgba .bw
// .sgi; .tga). TGA has no magic, so it is also the last resort.
ImageKind chooseLoader(const std::string& path);

// A texture that remembers whether it received an image.
class CapturingTexture : public kwTexture {
public:
    void loadImage(int width, int height, texFormat format, unsigned char* pixels) override;
    void loadSubImage(int x, int y, int width, int height, texFormat format, unsigned char* pixels) override;
    bool received() const { return receivedImage; }

private:
    bool receivedImage = false;
};

// Runs the chosen loader on the file; its messages go to standard output.
// Returns true when the texture received an image.
bool loadImageFile(const std::string& path, CapturingTexture& texture);

}  // namespace tool
