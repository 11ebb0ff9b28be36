// Which real folder a path leads to, so that a walk that follows symbolic
// links enters each folder once and knows a link that leads back up.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace tool {

// A folder's identity on this machine: device and inode on POSIX systems,
// volume serial number and file index on Windows.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t index = 0;
    bool operator==(const FolderIdentity& o) const { return device == o.device && index == o.index; }
    bool operator<(const FolderIdentity& o) const { return device != o.device ? device < o.device : index < o.index; }
};

// The identity of the folder `path` leads to (links followed). Returns
// false and says why in `error` when the system will not tell.
bool identifyFolder(const std::filesystem::path& path, FolderIdentity& id, std::string& error);

}  // namespace tool
