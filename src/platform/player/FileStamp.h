#pragma once
// What a file on disk is at one moment (which file, its size, its last
// change), so that a player can tell later whether the file it opened was
// changed, replaced or cut under it. Any thread (no shared state).
#include <QString>

#include <cstdint>
#include <optional>

namespace tessarin {

struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t changedNs = 0; // last modification, nanoseconds

    // The file at path now; nullopt when it cannot be looked at.
    static std::optional<FileStamp> of(const QString& path);
    bool operator==(const FileStamp&) const = default;
};

} // namespace tessarin
