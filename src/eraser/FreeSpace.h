#pragma once
// Wiping a file system's free space: the blocks that deleted files left behind still hold their
// old bytes until something is written over them. The wipe fills the free space with files of
// zeros in a hidden folder of its own, flushes them, removes them, and then asks the device to
// discard the free blocks (a trim) where it can. It runs without a window: one thread wipes, and
// another (the window's, or a signal handler) may watch its progress and ask it to stop.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::eraser {

/// The free space a wipe leaves for the rest of the system while it fills, by default.
inline constexpr std::uint64_t kFreeSpaceMargin = std::uint64_t{64} << 20;

/// How a wipe fills: the margin it keeps free and the size of its writes and files.
struct FreeSpaceOptions {
    /// Bytes left free while filling; they are not wiped (a trim still reaches them).
    std::uint64_t margin = kFreeSpaceMargin;
    /// Bytes per write (a multiple of 4096, as direct writes need).
    std::size_t chunk = std::size_t{8} << 20;
    /// Bytes per fill file, below every file system's largest file.
    std::uint64_t fileSize = std::uint64_t{1} << 30;
    /// Whether the free space is trimmed after the fill.
    bool trim = true;
};

/// What a running wipe is doing, shared with whoever watches it. Every member may be read from
/// another thread; `cancel` may be set from a signal handler.
struct FreeSpaceProgress {
    /// The steps of a wipe, in their order.
    enum Phase : int { Preparing, Filling, Flushing, Removing, Trimming, Finished };

    /// The step now running.
    std::atomic<int> phase{Preparing};
    /// Bytes of zeros written so far.
    std::atomic<std::uint64_t> written{0};
    /// Bytes the fill expects to write (0 until it knows).
    std::atomic<std::uint64_t> target{0};
    /// Set to stop the wipe: it removes its fill files and ends as cancelled.
    std::atomic<bool> cancel{false};

    /// 0 to 100: the fill's share of the whole, 100 only once the wipe has finished.
    int Percent() const;
};

/// What became of the trim after the fill.
enum class TrimOutcome {
    Skipped,       ///< not tried (not asked for, or the wipe failed or was cancelled first)
    Trimmed,       ///< the device was told to discard the free blocks
    NotDiscarding, ///< the device or file system does not discard
    NoRights,      ///< only an administrator may trim (`fstrim MOUNT` does it)
    Failed,        ///< the trim was refused for another reason (`trimNote` says which)
};

/// What a free-space wipe did, in numbers and in words.
struct FreeSpaceReport {
    /// How the wipe ended.
    enum class Outcome { Done, Cancelled, Failed };

    /// How the wipe ended.
    Outcome outcome = Outcome::Failed;
    /// Why the wipe failed or stopped short; empty when it did all it could.
    std::string error;
    /// Where the file system is mounted.
    std::string mountPoint;
    /// The file system's name ("ext4").
    std::string fileSystem;
    /// Bytes of zeros written and flushed.
    std::uint64_t written = 0;
    /// Bytes that were free when the fill files held the most: never written over.
    std::uint64_t leftFree = 0;
    /// True when a disk quota stopped the fill before the file system was full.
    bool quotaReached = false;
    /// What became of the trim.
    TrimOutcome trim = TrimOutcome::Skipped;
    /// Bytes the trim discarded, as the file system counts them.
    std::uint64_t trimmed = 0;
    /// Why the free space was not trimmed, or the command that does it.
    std::string trimNote;
    /// What the wipe cannot reach on this file system (copies kept by copy-on-write), or why it
    /// adds little (memory); one sentence each.
    std::vector<std::string> notes;
    /// The fill folder, when it could not be removed (it holds only the wipe's own files).
    std::string leftBehind;

    /// True when the wipe filled, flushed, removed its files and left nothing behind.
    bool Done() const { return outcome == Outcome::Done; }
    /// The report as lines for a person: what was wiped, kept, trimmed and cannot be reached.
    std::vector<std::string> Lines() const;
};

/// Bytes as a person reads them ("1.5 GiB", "64 MiB", "812 KiB").
std::string SizeText(std::uint64_t bytes);

/// Why the file system holding `path` must not be filled (a virtual file system, one mounted
/// read-only); empty when it may be.
std::string FreeSpaceRefusal(const std::string& path);

/// Wipes the free space of the file system that holds `path` (a folder, or a file whose folder
/// is used): fills it with zeros in a new hidden folder inside `path` (or, when that cannot be
/// written, inside the home or temporary folder if they lie on the same mount), keeping
/// `options.margin` free, flushes, removes the fill files and trims. The fill files are removed
/// whatever ends the fill: a full disk, a quota, a failed write or `progress.cancel`.
FreeSpaceReport WipeFreeSpace(const std::string& path, FreeSpaceProgress& progress,
                              const FreeSpaceOptions& options = {});

} // namespace corvane::eraser
