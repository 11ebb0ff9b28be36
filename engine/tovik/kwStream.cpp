#include <tovik/kwStream.h>

#include <tovik/kwOpenFile.h>

kwStream::kwStream(const char* path, int streamMode) : openMode(streamMode) {
    file = kwOpenFile(path, (streamMode & 8) ? "wb" : "rb");
    if (!file) status |= noFile;
}

kwStream::~kwStream() {
    if (file) std::fclose(file);
}

void kwStream::setStreamMode(int bits, bool on) {
    if (on)
        mode |= bits;
    else
        mode &= ~bits;
}

void kwStream::seek(long offset) {
    if (file) std::fseek(file, offset, SEEK_SET);
}
