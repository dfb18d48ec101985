#include "eraser/Shredding.h"

#include "platform/files.h"
#include "platform/messageloop.h"
#include "traces/modNormalisePath.h"

#include <array>

namespace corvane::eraser {
namespace {

using platform::FileSystem;

const std::array<char, kWipeBlockSize>& HashBlock() {
    static const std::array<char, kWipeBlockSize> block = [] {
        std::array<char, kWipeBlockSize> b{};
        b.fill('#');
        return b;
    }();
    return block;
}

void WipeTree(const platform::FsoFolder& folder, std::uint64_t device) {
    platform::FileService& fs = FileSystem();
    // The collections are copies taken now, so files that vanish while a wipe yields are
    // simply skipped, and nothing an inner run does can invalidate this walk.
    for (const auto& file : fs.Files(folder))
        if (file.Device == device)
            WipeFile(file.Path);
    for (const auto& sub : fs.SubFolders(folder)) {
        platform::FsoFolder next;
        if (sub.Device == device && fs.GetFolder(sub.Path, next) && next.Device == device)
            WipeTree(next, device);
    }
}

void ShowRootRefusal(const std::string& path, const ShredChooser& chooser) {
    platform::MsgBox(RootRefusalText(path), platform::vbOKOnly + platform::vbExclamation,
                     chooser.Caption, chooser.Owner);
}

} // namespace

std::int64_t WipeBlockCount(std::int64_t length) {
    if (length <= 0)
        return 0;
    std::int64_t blocks = length / kWipeBlockSize;
    const std::int64_t rest = length % kWipeBlockSize;
    const std::int64_t half = kWipeBlockSize / 2;
    if (rest > half || (rest == half && (blocks & 1) != 0))
        ++blocks;
    return blocks;
}

void WipeFile(const std::string& path) {
    platform::FileService& fs = FileSystem();
    std::int64_t length = 0;
    if (platform::FileHandle reader = fs.OpenForReading(path); reader.IsOpen()) {
        if (!fs.FileLength(reader, length))
            length = 0;
        fs.Close(reader);
    }
    const std::int64_t blocks = WipeBlockCount(length);
    fs.SetAttributesNormal(path);
    const auto& block = HashBlock();

    for (int pass = 0; pass < kWipePasses; ++pass) {
        platform::FileHandle file = fs.OpenReadWrite(path);
        if (file.IsOpen()) {
            for (std::int64_t k = 0; k <= blocks; ++k) {
                fs.WriteAt(file, k * kWipeBlockSize, block.data(), block.size());
                if (platform::GetInputState())
                    platform::DoEvents();
            }
            // Each pass must reach the disk before the next one rewrites the same bytes;
            // otherwise only the last pass would ever leave the page cache.
            fs.FlushToDisk(file);
            fs.Close(file);
        }
        platform::DoEvents();
    }
    fs.DeleteFileA(path);
}

void WipeFolderTree(const std::string& folder) {
    if (platform::IsDriveRootPath(folder))
        return;
    platform::FsoFolder start;
    if (!FileSystem().GetFolder(folder, start))
        return;
    WipeTree(start, start.Device);
}

std::string RootRefusalText(const std::string& path) {
    return path + " is the root folder of a drive. The root folder of a drive is never shredded.";
}

void ShredSelectedFile(const ShredChooser& chooser) {
    std::string error;
    std::string refused;
    {
        platform::Hourglass hourglass;
        const std::string path =
            modNormalisePath::NormalisePath(chooser.FilePath) + chooser.FileName;
        if (platform::IsDriveRootPath(path)) {
            refused = path;
        } else if (platform::MsgBox("Shred " + path + " ?",
                                    platform::vbYesNo + platform::vbQuestion, chooser.Caption,
                                    chooser.Owner) == platform::vbYes) {
            WipeFile(path);
            if (chooser.RefreshFileList)
                error = chooser.RefreshFileList();
        }
    }
    // The pointer is back to normal (the hourglass ended above) before any box is shown.
    if (!refused.empty())
        ShowRootRefusal(refused, chooser);
    else if (!error.empty())
        platform::MsgBox(error, platform::vbOKOnly + platform::vbExclamation, chooser.Caption,
                         chooser.Owner);
}

void ShredFolder(const ShredChooser& chooser) {
    std::string refused;
    {
        platform::Hourglass hourglass;
        if (platform::IsDriveRootPath(chooser.DirPath)) {
            refused = chooser.DirPath.empty() ? std::string("C:\\") : chooser.DirPath;
        } else if (platform::MsgBox("Shred " + chooser.DirPath + " and all its contents?",
                                    platform::vbYesNo + platform::vbExclamation, chooser.Caption,
                                    chooser.Owner) == platform::vbYes) {
            WipeFolderTree(chooser.DirPath);
            FileSystem().DeleteFolder(chooser.DirPath, true);
            if (chooser.DriveChange)
                chooser.DriveChange();
        }
    }
    if (!refused.empty())
        ShowRootRefusal(refused, chooser);
}

} // namespace corvane::eraser
