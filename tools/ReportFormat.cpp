#include "ReportFormat.h"

#include <nlohmann/json.hpp>

namespace tool {

namespace {

nlohmann::ordered_json reportObject(const FileReport& r) {
    const ornatex::ImageInfo& info = r.info;
    const bool known = !info.format.empty();
    nlohmann::ordered_json o;
    o["file"] = r.path;
    o["ok"] = r.ok;
    o["error"] = r.ok ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(r.error);
    o["format"] = known ? nlohmann::ordered_json(info.format) : nlohmann::ordered_json(nullptr);
    o["width"] = info.width;
    o["height"] = info.height;
    o["channels"] = info.channels;
    o["bitsPerChannel"] = info.bitsPerChannel;
    o["origin"] = known ? nlohmann::ordered_json(originName(info.origin)) : nlohmann::ordered_json(nullptr);
    o["compression"] = known ? nlohmann::ordered_json(info.compression) : nlohmann::ordered_json(nullptr);
    o["strips"] = info.strips;
    o["rleScanlines"] = info.scanlines;
    o["colorMap"] = info.colorMap;
    o["colorMapLength"] = info.colorMapLength;
    o["fileSize"] = r.fileSize;
    o["image"] = r.image;
    o["pixelFormat"] = r.ok ? nlohmann::ordered_json(r.decodedChannels == 4 ? "rgba" : "rgb") : nlohmann::ordered_json(nullptr);
    return o;
}

}  // namespace

std::string reportAsText(const FileReport& r) {
    const ornatex::ImageInfo& info = r.info;
    std::string line = r.path + ":";
    if (!r.image) return line + " not an image";
    if (!info.format.empty()) {
        line += " " + info.format + " " + std::to_string(info.width) + "x" + std::to_string(info.height) + ", " +
                std::to_string(info.channels) + (info.channels == 1 ? " channel" : " channels") + " of " +
                std::to_string(info.bitsPerChannel) + " bits, origin " + originName(info.origin) + ", " +
                (info.compression == "none" ? std::string("uncompressed") : info.compression);
        if (info.strips) line += ", " + std::to_string(info.strips) + (info.strips == 1 ? " strip" : " strips");
        if (info.scanlines) line += ", " + std::to_string(info.scanlines) + " RLE scanlines";
        if (info.colorMap) line += ", colour map of " + std::to_string(info.colorMapLength) + " entries";
        line += ", " + std::to_string(r.fileSize) + " bytes";
    }
    if (r.ok) return line + ": loads as " + (r.decodedChannels == 4 ? "rgba" : "rgb");
    // A file whose header could not be read has no description to close.
    return line + (info.format.empty() ? " refused: " : ": refused: ") + r.error;
}

std::string reportsAsJson(const std::vector<FileReport>& reports) {
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const FileReport& r : reports) array.push_back(reportObject(r));
    // Replace bytes that are not UTF-8 (file names can hold any bytes).
    return array.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace tool
