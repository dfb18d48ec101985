#pragma once
// Files and folders as the system uses them, with Windows paths in and out. The service is an
// interface so that a test can record every call or inject a fault; the POSIX implementation is
// the default. It never follows a symbolic link, opens only regular files, keeps folder
// deletion on the file system it started on and refuses the root of a drive.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::platform {

/// An open file: the descriptor is closed when the handle ends.
class FileHandle {
public:
    FileHandle() = default;
    /// Takes ownership of an open descriptor.
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() { Close(); }
    FileHandle(FileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    /// True while a file is open.
    bool IsOpen() const { return fd_ >= 0; }
    /// The descriptor (-1 when closed).
    int Descriptor() const { return fd_; }
    /// Closes the file; true when it was open and closed cleanly.
    bool Close();

private:
    int fd_ = -1;
};

/// One item of a folder's Files or SubFolders collection.
struct FsoItem {
    /// The full Windows path.
    std::string Path;
    /// The Windows name (the last piece of Path).
    std::string Name;
    /// The file system the item lives on.
    std::uint64_t Device = 0;
};

/// Who a file is and what it is, taken without following a link: enough to tell that a name
/// still leads to the same file and that a folder lies on the same mount as another.
struct FileFacts {
    /// The device of the file system.
    std::uint64_t Device = 0;
    /// The inode on that device.
    std::uint64_t Inode = 0;
    /// The kernel's mount id (0 where the kernel gives none, and then the device decides).
    std::uint64_t Mount = 0;
    /// The POSIX type and permission bits.
    std::uint32_t Mode = 0;
    /// The number of names the file has.
    std::uint64_t Links = 0;
    /// The length in bytes.
    std::int64_t Size = 0;
    /// The owner's user id.
    std::uint32_t Owner = 0;

    /// True for a folder.
    bool IsFolder() const;
    /// True for a regular file.
    bool IsRegular() const;
    /// True when both facts describe the same file.
    bool SameFile(const FileFacts& other) const {
        return Device == other.Device && Inode == other.Inode;
    }
    /// True when both lie on the same mount (a bind mount of the same device is another one).
    bool SameMount(const FileFacts& other) const {
        return Device == other.Device && Mount == other.Mount;
    }
};

/// A folder as GetFolder returns it.
struct FsoFolder {
    /// The folder's Windows path, with its real case and no trailing backslash.
    std::string Path;
    /// The file system the folder lives on.
    std::uint64_t Device = 0;
};

/// What a folder's listing depends on: which folder it is and when its entries last changed.
struct FolderStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    /// True when the change times are old enough that any later change must move them; a stamp
    /// taken in the same clock tick as a change could stay the same after another one.
    bool settled = false;

    /// True when both stamps name the same folder with the same change times.
    bool SameAs(const FolderStamp& other) const {
        return device == other.device && inode == other.inode && modifiedNs == other.modifiedNs &&
               changedNs == other.changedNs;
    }
};

/// The files service: every file operation the erasers and the chooser use.
class FileService {
public:
    virtual ~FileService() = default;

    /// Opens an existing regular file for reading.
    virtual FileHandle OpenForReading(const std::string& path) = 0;
    /// The length in bytes of an open file.
    virtual bool FileLength(const FileHandle& file, std::int64_t& length) = 0;
    /// Opens a regular file for reading and writing, creating it when missing.
    virtual FileHandle OpenReadWrite(const std::string& path) = 0;
    /// Writes `size` bytes at byte `offset`; true when every byte was written.
    virtual bool WriteAt(const FileHandle& file, std::int64_t offset, const void* data,
                         std::size_t size) = 0;
    /// Pushes what was written to the file down to storage.
    virtual bool FlushToDisk(const FileHandle& file) = 0;
    /// Closes an open file.
    virtual bool Close(FileHandle& file) = 0;
    /// Sets a file's attributes to normal: its owner may write it again.
    virtual bool SetAttributesNormal(const std::string& path) = 0;
    /// Deletes a file (a link itself, never its target); folders are not deleted.
    virtual bool DeleteFileA(const std::string& path) = 0;
    /// The names of a folder's files (not folders) that match a pattern (`*`, `?`, several
    /// patterns separated by ";"), sorted without regard to case; hidden names (a leading
    /// dot) only when asked for.
    virtual std::vector<std::string> ListFiles(const std::string& folder,
                                               const std::string& pattern, bool includeHidden) = 0;
    /// How many names ListFiles would return, without sorting them.
    virtual std::size_t CountFiles(const std::string& folder, const std::string& pattern,
                                   bool includeHidden) {
        return ListFiles(folder, pattern, includeHidden).size();
    }
    /// Takes the stamp of a folder (Windows path) before it is listed: while a settled stamp
    /// stays the same, the folder's entries have not changed. False when no stamp can be had,
    /// which is what a service without stamps answers: then every listing reads the folder.
    virtual bool StampFolder(const std::string& /*folder*/, FolderStamp& /*stamp*/) {
        return false;
    }
    /// The special folders: 0 the Windows folder, 1 the system folder, 2 the temporary folder.
    virtual std::string GetSpecialFolder(int which) = 0;
    /// Looks a folder up; false when it is missing, not a folder, or a link.
    virtual bool GetFolder(const std::string& path, FsoFolder& folder) = 0;
    /// Everything in the folder that is not a folder, in the file system's order.
    virtual std::vector<FsoItem> Files(const FsoFolder& folder) = 0;
    /// The folder's direct subfolders (links are not subfolders), in the file system's order.
    virtual std::vector<FsoItem> SubFolders(const FsoFolder& folder) = 0;
    /// Removes a folder with everything in it, staying on the folder's own file system; with
    /// `force` false read-only files stay. A link is removed itself. Refuses a drive's root.
    virtual bool DeleteFolder(const std::string& path, bool force) = 0;

    // Descriptor-relative operations. A walk opens each folder once and reaches everything in
    // it by name relative to that descriptor, so no path is ever resolved twice and a folder
    // swapped for a link during the walk is never followed. Names here are POSIX names.

    /// Opens a folder by Windows path for a walk; fails when it is missing or a link.
    virtual FileHandle OpenFolder(const std::string& path) = 0;
    /// Opens the folder `name` inside an open folder, never through a link.
    virtual FileHandle OpenFolderAt(const FileHandle& folder, const std::string& name) = 0;
    /// The facts of an open file or folder.
    virtual bool Facts(const FileHandle& file, FileFacts& facts) = 0;
    /// The facts of `name` inside an open folder (a link's own facts, never its target's).
    virtual bool FactsAt(const FileHandle& folder, const std::string& name, FileFacts& facts) = 0;
    /// Every name in an open folder except "." and "..", in the file system's order.
    virtual std::vector<std::string> NamesIn(const FileHandle& folder) = 0;
    /// Opens the regular file `name` inside an open folder for overwriting: never through a
    /// link, never a FIFO or a device. A file the caller owns first gets owner read and write
    /// (as clearing the read-only attribute would). With `create` a missing file is created.
    virtual FileHandle OpenForWipingAt(const FileHandle& folder, const std::string& name,
                                       bool create) = 0;
    /// Removes `name` inside an open folder: a file or link, or with `isFolder` an empty folder.
    virtual bool RemoveAt(const FileHandle& folder, const std::string& name, bool isFolder) = 0;
    /// Renames `from` to `to` inside an open folder, never over an existing name (EEXIST then).
    virtual bool RenameAt(const FileHandle& folder, const std::string& from,
                          const std::string& to) = 0;
};

/// The real files service over POSIX calls.
class PosixFileService : public FileService {
public:
    FileHandle OpenForReading(const std::string& path) override;
    bool FileLength(const FileHandle& file, std::int64_t& length) override;
    FileHandle OpenReadWrite(const std::string& path) override;
    bool WriteAt(const FileHandle& file, std::int64_t offset, const void* data,
                 std::size_t size) override;
    bool FlushToDisk(const FileHandle& file) override;
    bool Close(FileHandle& file) override;
    bool SetAttributesNormal(const std::string& path) override;
    bool DeleteFileA(const std::string& path) override;
    std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern,
                                       bool includeHidden) override;
    std::size_t CountFiles(const std::string& folder, const std::string& pattern,
                           bool includeHidden) override;
    bool StampFolder(const std::string& folder, FolderStamp& stamp) override;
    std::string GetSpecialFolder(int which) override;
    bool GetFolder(const std::string& path, FsoFolder& folder) override;
    std::vector<FsoItem> Files(const FsoFolder& folder) override;
    std::vector<FsoItem> SubFolders(const FsoFolder& folder) override;
    bool DeleteFolder(const std::string& path, bool force) override;
    FileHandle OpenFolder(const std::string& path) override;
    FileHandle OpenFolderAt(const FileHandle& folder, const std::string& name) override;
    bool Facts(const FileHandle& file, FileFacts& facts) override;
    bool FactsAt(const FileHandle& folder, const std::string& name, FileFacts& facts) override;
    std::vector<std::string> NamesIn(const FileHandle& folder) override;
    FileHandle OpenForWipingAt(const FileHandle& folder, const std::string& name,
                               bool create) override;
    bool RemoveAt(const FileHandle& folder, const std::string& name, bool isFolder) override;
    bool RenameAt(const FileHandle& folder, const std::string& from,
                  const std::string& to) override;
};

/// The files service in use (the POSIX one unless a test installed another).
FileService& FileSystem();

/// Installs a files service for its lifetime and puts the previous one back afterwards.
class ScopedFileSystem {
public:
    explicit ScopedFileSystem(FileService& service);
    ~ScopedFileSystem();
    ScopedFileSystem(const ScopedFileSystem&) = delete;
    ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

private:
    FileService* previous_;
};

/// True when a Windows name matches one wildcard pattern (`*`, `?`; `*.*` matches every name),
/// without regard to case.
bool MatchesPattern(std::string_view name, std::string_view pattern);

/// True when a Windows path names the root of a drive; an empty path counts as drive C:'s root.
bool IsDriveRootPath(const std::string& windowsPath);

/// True when a POSIX path lies on a virtual file system (/proc, /sys, /dev and their kin),
/// whose entries are views of the kernel rather than user files.
bool IsOnVirtualFileSystem(const std::string& posixPath);

} // namespace corvane::platform
