#include "ReportFormat.h"

#include <nlohmann/json.hpp>

namespace tool {

namespace {

// Whether the bytes are well-formed UTF-8: no stray continuation bytes, no
// overlong forms, no surrogates, nothing above U+10FFFF.
bool isUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        std::size_t length;
        unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
        if (lead < 0x80) length = 1;
        else if (lead >= 0xC2 && lead <= 0xDF) length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;   // overlong
            if (lead == 0xED) high = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;   // overlong
            if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char c = static_cast<unsigned char>(text[i + k]);
            if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return false;
        }
        i += length;
    }
    return true;
}

std::string base64(const std::string& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = unsigned(static_cast<unsigned char>(bytes[i])) << 16 |
                           unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                           unsigned(static_cast<unsigned char>(bytes[i + 2]));
        for (int shift = 18; shift >= 0; shift -= 6) out += digits[(v >> shift) & 63];
    }
    const std::size_t left = bytes.size() - i;
    if (left) {
        unsigned v = unsigned(static_cast<unsigned char>(bytes[i])) << 16;
        if (left == 2) v |= unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8;
        out += digits[(v >> 18) & 63];
        out += digits[(v >> 12) & 63];
        out += left == 2 ? digits[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

nlohmann::ordered_json reportObject(const FileReport& r) {
    using json = nlohmann::ordered_json;
    const ornatex::ImageInfo& info = r.info;
    const bool known = !info.format.empty();
    const bool read = known && info.fieldsRead;
    // A field the library read, or null.
    const auto field = [read](const auto& value) { return read ? json(value) : json(nullptr); };
    json o;
    // A name that is not UTF-8 (any bytes but '/' and NUL make a name on
    // Unix) is shown as text with U+FFFD for what does not decode, and kept
    // exactly in "fileBytes" so that a script can open the file again.
    const bool textName = isUtf8(r.path);
    o["file"] = r.path;
    o["fileBytes"] = textName ? json(nullptr) : json(base64(r.path));
    o["ok"] = r.ok;
    o["error"] = r.ok ? json(nullptr) : json(r.error);
    o["code"] = r.ok ? json(nullptr) : json(ornatex::refusalName(r.code));
    o["convertible"] = r.convertible;
    o["format"] = known ? json(info.format) : json(nullptr);
    o["width"] = field(info.width);
    o["height"] = field(info.height);
    o["channels"] = field(info.channels);
    o["bitsPerChannel"] = field(info.bitsPerChannel);
    o["origin"] = field(originName(info.origin));
    o["compression"] = field(info.compression);
    o["strips"] = field(info.strips);
    o["rleScanlines"] = field(info.scanlines);
    o["colorMap"] = field(info.colorMap);
    o["colorMapLength"] = field(info.colorMapLength);
    // An entry that could not be read has no known size and may or may not
    // be an image.
    o["fileSize"] = r.unreadable ? json(nullptr) : json(r.fileSize);
    o["image"] = r.unreadable ? json(nullptr) : json(r.image);
    o["pixelFormat"] = r.ok ? json(r.decodedChannels == 4 ? "rgba" : "rgb") : json(nullptr);
    return o;
}

}  // namespace

std::string reportAsText(const FileReport& r) {
    const ornatex::ImageInfo& info = r.info;
    std::string line = r.path + ":";
    if (!r.image) return line + " not an image";
    if (!info.format.empty() && !info.fieldsRead) {
        line += " " + info.format + ", " + std::to_string(r.fileSize) + " bytes";
    } else if (!info.format.empty()) {
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
