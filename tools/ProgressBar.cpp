#include "ProgressBar.h"

#include <string>

namespace tool {

namespace {
constexpr std::size_t barWidth = 40;
}

ProgressBar::ProgressBar(std::FILE* stream, std::size_t count) : out(stream), total(count) {}

void ProgressBar::show(std::size_t done) {
    const std::size_t filled = total ? done * barWidth / total : barWidth;
    const std::string bar = std::string(filled, '#') + std::string(barWidth - filled, '.');
    std::fprintf(out, "\r[%s] %zu/%zu files", bar.c_str(), done, total);
    std::fflush(out);
}

void ProgressBar::clear() {
    std::fprintf(out, "\r%*s\r", static_cast<int>(barWidth + 40), "");
    std::fflush(out);
}

}  // namespace tool
