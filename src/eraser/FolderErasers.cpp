#include "eraser/FolderErasers.h"

#include "browsers/Cleaner.h"
#include "eraser/Shredding.h"
#include "platform/files.h"
#include "platform/messageloop.h"
#include "platform/registry.h"
#include "platform/urlcache.h"
#include "platform/world.h"
#include "traces/CURLHistory.h"
#include "traces/CleanIT.h"
#include "traces/modCache.h"
#include "traces/modNormalisePath.h"

#include <filesystem>

namespace corvane::eraser {
namespace {

constexpr const char* kTypedURLs = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Deletes one file plainly; a file that is still there afterwards is a failed step.
void DeleteListed(const std::string& path, EraseReport& report) {
    if (platform::FileSystem().DeleteFileA(path))
        return;
    std::error_code ec;
    const std::string posix = world::ToPosix(path);
    if (!posix.empty() && std::filesystem::exists(std::filesystem::symlink_status(posix, ec)))
        report.Failures.push_back("not deleted: " + path);
}

// Deletes `relative` inside `folder`. A missing folder erases nothing: joined to an empty
// folder the name would stand for a file at the root of drive C:.
void DeleteInFolder(const std::string& folder, const std::string& relative, EraseReport& report) {
    if (folder.empty())
        return;
    DeleteListed(modNormalisePath::NormalisePath(folder) + relative, report);
}

bool EndsWithIndexDat(const std::string& line) {
    constexpr std::string_view name = "index.dat";
    return line.size() >= name.size() &&
           line.compare(line.size() - name.size(), name.size(), name) == 0;
}

} // namespace

std::vector<std::string> EraseReport::Lines() const {
    std::vector<std::string> lines = Failures;
    for (const auto& f : Wipes.Failures)
        lines.push_back(f.Path + ": " + f.Reason);
    return lines;
}

std::string EraseReport::Summary(std::size_t shown) const {
    // Files removed whose old data may survive are no failure, but they are said as well.
    const std::string survivors = SurvivorSummary(Wipes, shown);
    if (Complete())
        return survivors;
    const std::vector<std::string> lines = Lines();
    std::string text = std::to_string(lines.size()) + (lines.size() == 1 ? " step" : " steps") +
                       " could not be done";
    if (!Wipes.Complete())
        text += " (" + std::to_string(Wipes.Failures.size()) +
                (Wipes.Failures.size() == 1 ? " file" : " files") + " not overwritten)";
    text += ":";
    for (std::size_t i = 0; i < lines.size() && i < shown; ++i)
        text += "\n" + lines[i];
    if (lines.size() > shown)
        text += "\n(and " + std::to_string(lines.size() - shown) + " more)";
    return survivors.empty() ? text : text + "\n" + survivors;
}

void EraseReport::Add(const EraseReport& other) {
    Failures.insert(Failures.end(), other.Failures.begin(), other.Failures.end());
    Wipes.Add(other.Wipes);
}

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

EraseReport FolderErasers::EraseHistory() {
    platform::FileService& fs = platform::FileSystem();
    EraseReport report;
    RefreshHistoryList();
    registry_.CleanTypedURLs();
    if (!CleanIT::GetRegString(platform::HKEY_CURRENT_USER, kTypedURLs, "url1").empty())
        report.Failures.push_back("typed addresses not erased");

    // The counts are taken before the loops, as the system does; the bound is checked again
    // on every line because a wipe yields, and an inner run may have emptied the list.
    const int urls = list1_.ListCount();
    for (int i = 0; i < urls && i < list1_.ListCount(); ++i)
        if (const std::string url = list1_.List(i); !modCache::DeleteCacheEntry(url))
            report.Failures.push_back("cache entry not deleted: " + url);
    platform::FlushErasedUrlCacheEntries(); // no copy of the deleted entries stays in the log
    DeleteInFolder(folders_.CacheFolder, "Content.IE5\\index.dat", report);
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
            DeleteListed(line, report);
        else
            report.Wipes.Add(WipeFile(line));
    }
    list1_.Clear();

    DeleteInFolder(folders_.HistoryFolder, "history.ie5\\index.dat", report);
    history_.Clear();
    const platform::HRESULT refreshed = history_.Refresh("", 0);
    if (history_.Status() != platform::S_OK || refreshed != platform::S_OK)
        report.Failures.push_back("the URL history store could not be read");
    else if (history_.Count() > 0)
        report.Failures.push_back("the URL history was not cleared");

    // The world's traces are gone; now the user's real browsers, beside the world and never
    // instead of it. The profiles skipped as in use are kept for the caller to tell.
    lastProfileReport_ = CleanProfiles ? CleanProfiles() : browsers::CleaningReport{};
    return report;
}

EraseReport FolderErasers::CleanTempFolder() {
    platform::Hourglass hourglass;
    EraseReport report;
    // The subfolders go with the walk once it emptied them, never by force: a removal by force
    // would delete the files that could not be overwritten.
    report.Wipes = WipeFolderTree(folders_.TempFolder, FolderRemoval::Subfolders);
    return report;
}

EraseReport RunRegistryEraser(const std::function<void()>& eraser) {
    const unsigned long before = platform::RegFailedWriteCount();
    eraser();
    EraseReport report;
    if (const unsigned long refused = platform::RegFailedWriteCount() - before; refused > 0)
        report.Failures.push_back(std::to_string(refused) +
                                  (refused == 1 ? " registry change" : " registry changes") +
                                  " could not be written: the hive refused it");
    return report;
}

EraseReport FolderErasers::EraseAll() {
    EraseReport report = EraseHistory();
    report.Add(RunRegistryEraser([this] {
        registry_.CleanFindMRU();
        registry_.CleanMediaPlayerMRU();
        registry_.CleanPaintMRU();
        registry_.CleanRecentDocs();
        registry_.CleanRunMRU();
    }));
    report.Add(CleanTempFolder());
    return report;
}

WindowlessErasers::WindowlessErasers()
    : history_(std::make_unique<CURLHistory>()),
      erasers_(std::make_unique<FolderErasers>(list_, *history_, ReadBrowserFolders())) {}

WindowlessErasers::~WindowlessErasers() = default;

} // namespace corvane::eraser
