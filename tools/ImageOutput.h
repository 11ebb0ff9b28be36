// Writing a texture's image to a file that viewers open: PNG or PAM, chosen
// by the output's extension, top row first.
#pragma once

#include <string>

#include <corvane/kwTexture.h>

namespace tool {

enum class OutputKind { unknown, png, pam };

OutputKind outputKindFor(const std::string& path);

// Writes the texture's image. Returns an empty string on success, otherwise
// what went wrong.
std::string writeImage(const kwTexture& texture, const std::string& path, OutputKind kind);

}  // namespace tool
