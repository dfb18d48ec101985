#include "eraser/FolderErasers.h"

#include "browsers/Cleaner.h"
#include "eraser/Shredding.h"
#include "platform/files.h"
#include "platform/messageloop.h"
#include "platform/registry.h"
#include "traces/CURLHistory.h"
#include "traces/CleanIT.h"
#include "traces/modCache.h"
#include "traces/modNormalisePath.h"

namespace corvane::eraser {
namespace {

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Deletes `relative` inside `folder`. A missing folder erases nothing: joined to an empty
// folder the name would stand for a file at the root of drive C:.
void DeleteInFolder(const std::string& folder, const std::string& relative) {
    if (folder.empty())
        return;
    platform::FileSystem().DeleteFileA(modNormalisePath::NormalisePath(folder) + relative);
}

bool EndsWithIndexDat(const std::string& line) {
    constexpr std::string_view name = "index.dat";
    return line.size() >= name.size() &&
           line.compare(line.size() - name.size(), name.size(), name) == 0;
}

} // namespace

BrowserFolders ReadBrowserFolders() {
    BrowserFolders folders;
    folders.HistoryFolder =
        CleanIT::GetRegString(platform::HKEY_CURRENT_USER, kShellFolders, "History");
    folders.CacheFolder =
        CleanIT::GetRegString(platform::HKEY_CURRENT_USER, kShellFolders, "Cache");
    folders.CookiesFolder =
        CleanIT::GetRegString(platform::HKEY_CURRENT_USER, kShellFolders, "Cookies");
    folders.TempFolder = platform::FileSystem().GetSpecialFolder(2);
    return folders;
}

RegistryErasers RegistryErasers::Real() {
    return {CleanIT::CleanTypedURLs, CleanIT::CleanFindMRU,    CleanIT::CleanMediaPlayerMRU,
            CleanIT::CleanPaintMRU,  CleanIT::CleanRecentDocs, CleanIT::CleanRunMRU};
}

FolderErasers::FolderErasers(ListBox& list1, CURLHistory& history, BrowserFolders folders,
                             RegistryErasers registry)
    : list1_(list1), history_(history), folders_(std::move(folders)),
      registry_(std::move(registry)) {
    CleanProfiles = [] { return browsers::CleanEnabledProfiles(); };
}

void FolderErasers::RefreshHistoryList() {
    list1_.Clear();
    for (const auto& url : modCache::ListCacheUrls())
        list1_.AddItem(url);
}

void FolderErasers::EraseHistory() {
    platform::FileService& fs = platform::FileSystem();
    RefreshHistoryList();
    registry_.CleanTypedURLs();

    // The counts are taken before the loops, as the system does; the bound is checked again
    // on every line because a wipe yields, and an inner run may have emptied the list.
    const int urls = list1_.ListCount();
    for (int i = 0; i < urls && i < list1_.ListCount(); ++i)
        modCache::DeleteCacheEntry(list1_.List(i));
    DeleteInFolder(folders_.CacheFolder, "Content.IE5\\index.dat");
    list1_.Clear();

    platform::FsoFolder cookies;
    // A cookie folder that is the root of a drive is not emptied: that would wipe every file
    // at the top of the drive.
    if (!folders_.CookiesFolder.empty() && !platform::IsDriveRootPath(folders_.CookiesFolder) &&
        fs.GetFolder(folders_.CookiesFolder, cookies)) {
        for (const auto& file : fs.Files(cookies))
            list1_.AddItem(file.Path);
    }
    const int files = list1_.ListCount();
    for (int i = 0; i < files && i < list1_.ListCount(); ++i) {
        const std::string line = list1_.List(i);
        if (EndsWithIndexDat(line))
            fs.DeleteFileA(line);
        else
            WipeFile(line);
    }
    list1_.Clear();

    DeleteInFolder(folders_.HistoryFolder, "history.ie5\\index.dat");
    history_.Clear();
    history_.Refresh("", 0);

    // The world's traces are gone; now the user's real browsers, beside the world and never
    // instead of it. The profiles skipped as in use are kept for the caller to tell.
    lastProfileReport_ = CleanProfiles ? CleanProfiles() : browsers::CleaningReport{};
}

void FolderErasers::CleanTempFolder() {
    platform::Hourglass hourglass;
    WipeFolderTree(folders_.TempFolder);
    platform::FileService& fs = platform::FileSystem();
    platform::FsoFolder temp;
    if (platform::IsDriveRootPath(folders_.TempFolder) || !fs.GetFolder(folders_.TempFolder, temp))
        return;
    for (const auto& sub : fs.SubFolders(temp))
        if (sub.Device == temp.Device)
            fs.DeleteFolder(sub.Path, true);
}

void FolderErasers::EraseAll() {
    EraseHistory();
    registry_.CleanFindMRU();
    registry_.CleanMediaPlayerMRU();
    registry_.CleanPaintMRU();
    registry_.CleanRecentDocs();
    registry_.CleanRunMRU();
    CleanTempFolder();
}

WindowlessErasers::WindowlessErasers()
    : history_(std::make_unique<CURLHistory>()),
      erasers_(std::make_unique<FolderErasers>(list_, *history_, ReadBrowserFolders())) {}

WindowlessErasers::~WindowlessErasers() = default;

} // namespace corvane::eraser
