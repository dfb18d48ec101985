#pragma once
// Whether a folder's file system overwrites a file in place, for tests of the shredder that run
// in the temporary folder: where it does not (a memory or overlay /tmp, btrfs), a shred says so
// per file, and the test expects that answer instead.

#include "platform/overwrite.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace corvane::testing {

/// True when a file made in `folder` would be overwritten in place.
inline bool OverwritesInPlace(const std::filesystem::path& folder) {
    const std::filesystem::path probe = folder / ".in-place-probe";
    std::ofstream(probe, std::ios::binary) << std::string(8192, 'p');
    ::sync();
    const platform::FileHandle file(::open(probe.c_str(), O_RDONLY | O_CLOEXEC));
    const bool inPlace = platform::VerdictFor(file).InPlace();
    std::filesystem::remove(probe);
    return inPlace;
}

/// The exit status of a complete `corvanectl shred` of files in `folder`: 0, or 3 where the
/// file system does not overwrite in place.
inline int ShredStatusIn(const std::filesystem::path& folder) {
    return OverwritesInPlace(folder) ? 0 : 3;
}

} // namespace corvane::testing
