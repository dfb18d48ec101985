#pragma once
// Whether overwriting a file reaches its old bytes, and the overwrites themselves: files removed
// with their bytes zeroed once first, their descriptors held until one syncfs per batch pushes
// the zeros to the disk, and a file zeroed in place. A file whose last name is gone and whose
// last descriptor closes may have its dirty pages dropped unwritten, which is why the zeroed
// files stay open until the sync.

#include "platform/files.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace corvane::platform {

/// Where writes over a file's bytes go.
enum class Reach {
    /// Onto the very blocks that hold the old bytes (ext2/3/4, XFS, FAT, exFAT).
    InPlace,
    /// Onto those blocks, but a journal of the data may keep a copy (ext4 `data=journal`).
    Journalled,
    /// Onto new blocks: the old ones stay until reused (btrfs, ZFS, bcachefs, f2fs, nilfs2, or
    /// blocks shared with another file or a snapshot, or blocks that moved).
    CopyOnWrite,
    /// Into new blocks of compressed data: the old compressed ones stay until reused.
    Compressed,
    /// Into memory pages (tmpfs, ramfs): reached, but swap may hold older copies.
    Memory,
    /// Nobody can tell (overlayfs, FUSE, network file systems, an unknown kind, a file system
    /// that gives no block map).
    Unknown,
};

/// What overwriting in place reaches for one file or folder, with the reason in words.
struct OverwriteVerdict {
    /// Where the writes go.
    Reach reach = Reach::Unknown;
    /// The file system's name ("ext4", "btrfs"), or its type number in hex when unknown.
    std::string fileSystem;
    /// Why the old data may survive ("btrfs keeps copies (copy-on-write)"); empty in place.
    std::string reason;
    /// What may keep old copies even of blocks written in place ("it lies on a flash drive,
    /// ..."), empty when nothing is known to.
    std::string caveat;
    /// How what survives is encrypted ("dm-crypt", "fscrypt"), empty when it is not known to be.
    std::string encryption;

    /// True when an overwrite in place reaches the old bytes and nothing else keeps them.
    bool InPlace() const { return reach == Reach::InPlace; }
    /// True when an overwrite reaches at least the file's own blocks or pages, so zeroing a
    /// file before it goes is worth the writes.
    bool WorthOverwriting() const {
        return reach == Reach::InPlace || reach == Reach::Journalled || reach == Reach::Memory;
    }
};

/// The verdict for an open file or folder, decided without root: the file system (fstatfs), its
/// mount options (/proc/self/mountinfo), the device below it (/sys/dev/block: flash, dm-crypt)
/// and, for a regular file, its flags (no copy-on-write, compressed, journalled, encrypted) and
/// its block map (FIEMAP: an extent marked shared or encoded, or no map at all).
OverwriteVerdict VerdictFor(const FileHandle& file);

/// Where a regular file's data lay on the device: taken before the first overwrite to be
/// compared with where it lies after the last.
struct BlockMap {
    /// One stretch of the file on the device, in bytes.
    struct Extent {
        std::uint64_t logical = 0;
        std::uint64_t physical = 0;
        std::uint64_t length = 0;
    };
    /// True when the file system gave the map (FIEMAP).
    bool answered = false;
    /// True when some extent is shared with another file or a snapshot.
    bool shared = false;
    /// True when some extent is stored encoded (compressed).
    bool encoded = false;
    /// True when some extent lies at a place the file system does not tell (beyond delayed
    /// allocation, whose data has not reached the device yet and is left out).
    bool unplaced = false;
    /// The extents placed on the device, in file order.
    std::vector<Extent> extents;
};

/// The block map of an open regular file; `answered` is false where the file system gives none.
BlockMap MapBlocks(const FileHandle& file);

/// The verdict for a regular file just overwritten, whose map before the first pass was
/// `before`: VerdictFor the file, and then anything but in place when either map is missing
/// or unplaced, or a byte that lay on the device before lies elsewhere now.
OverwriteVerdict VerdictAfterOverwrite(const FileHandle& file, const BlockMap& before);

/// True while the mount that holds the open file is still attached in this process's mount
/// table; false once it was unmounted (lazily, with the file still open) or when unknown.
bool StillMounted(const FileHandle& file);

/// Zeroes every byte of a regular file in place, keeping the file and its length, and flushes
/// it to storage (for a store's journal whose content must go while its name stays). The file
/// is opened without following a link; a FIFO, a device or a file with other names is refused.
bool ZeroFileInPlace(const std::filesystem::path& file, std::string& error);

/// How many zeroed files a batch holds open before it syncs on its own.
inline constexpr std::size_t kOverwriteBatch = 256;

/// Removes names from open folders, zeroing a regular file's bytes once before it goes, with no
/// flush per file: the zeroed files stay open, unlinked, until the batch syncs each file system
/// once and closes them (when it holds `limit` files, on Flush, and at its end).
class OverwriteBatch {
public:
    /// What became of a name.
    enum class Removed {
        Overwritten, ///< a regular file zeroed once, then its name removed
        NameOnly,    ///< the name removed, the bytes not overwritten (`why` says why, if a reason)
        Vanished,    ///< the name was gone already
        Failed,      ///< the name stays (`why` says why)
    };

    /// A batch that holds at most `limit` zeroed files open.
    explicit OverwriteBatch(std::size_t limit = kOverwriteBatch);
    /// Syncs and closes what is still held; a failure then is lost, so callers Flush first.
    ~OverwriteBatch();
    OverwriteBatch(const OverwriteBatch&) = delete;
    OverwriteBatch& operator=(const OverwriteBatch&) = delete;

    /// Removes `name` inside the open folder `folder` (whose facts are `folderFacts`). With
    /// `overwrite`, a regular file with one name on the folder's own mount is opened without
    /// following a link, unlinked and then, if no other name leads to it meanwhile, zeroed over
    /// its data; a file with other names only loses this one, whose data the others keep. A
    /// link, FIFO, socket or device is removed unopened. Never zeroes a file that keeps a name.
    Removed RemoveAt(const FileHandle& folder, const FileFacts& folderFacts,
                     const std::string& name, bool overwrite, std::string& why);

    /// Syncs each file system of the held files once, then closes them. False when a sync failed,
    /// now or at a sync the batch made on its own since the last Flush; `error` says which.
    bool Flush(std::string& error);

    /// The zeroed files held open, waiting for the sync.
    std::size_t Held() const { return held_.size(); }

private:
    struct HeldFile {
        FileHandle file;
        std::uint64_t device = 0;
    };
    void Sync();

    std::size_t limit_;
    std::vector<HeldFile> held_;
    std::string syncError_; // the first failed sync since the last Flush
};

} // namespace corvane::platform
