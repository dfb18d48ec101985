#pragma once
// The folder-level erasers of the eraser window: the cached-URL list, the browser's history
// traces, the temporary folder and the full clean. They run without a window: the window
// hands over its URL list and its history object, and the folders are read once.

#include "browsers/CleanReport.h"
#include "eraser/Shredding.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace corvane {
class CURLHistory;
}

namespace corvane::eraser {

/// The eraser window's URL list (`List1`) as the erasers use it.
class ListBox {
public:
    virtual ~ListBox() = default;
    /// Empties the list.
    virtual void Clear() = 0;
    /// Appends one line.
    virtual void AddItem(const std::string& item) = 0;
    /// The number of lines.
    virtual int ListCount() const = 0;
    /// The line at `index` (from 0).
    virtual std::string List(int index) const = 0;
};

/// A list held in memory, for callers without a window.
class StringList : public ListBox {
public:
    void Clear() override { items.clear(); }
    void AddItem(const std::string& item) override { items.push_back(item); }
    int ListCount() const override { return static_cast<int>(items.size()); }
    std::string List(int index) const override { return items.at(static_cast<size_t>(index)); }

    /// The lines, first to last.
    std::vector<std::string> items;
};

/// What an eraser could not do. The erasers still run every step; this only says afterwards
/// which ones failed, so that nothing left behind is reported as erased.
struct EraseReport {
    /// One line per step that failed (a cache entry, a file, a store), files excepted.
    std::vector<std::string> Failures;
    /// The files wiped, and every one left behind.
    WipeReport Wipes;

    /// True when every step did what it says.
    bool Complete() const { return Failures.empty() && Wipes.Complete(); }
    /// Every failure as one line each: the steps, then the files with their reasons.
    std::vector<std::string> Lines() const;
    /// A short text for a balloon or a box: how many steps and files failed, and the first few;
    /// then the files removed whose old data may survive.
    std::string Summary(std::size_t shown = 3) const;
    /// Adds another report to this one.
    void Add(const EraseReport& other);
};

/// Runs registry erasers, which report nothing themselves, and says how many changes the hive
/// refused to write meanwhile (a read-only or damaged hive).
EraseReport RunRegistryEraser(const std::function<void()>& eraser);

/// The folders the erasers work in (Windows paths; empty when the value is missing).
struct BrowserFolders {
    std::string HistoryFolder;
    std::string CacheFolder;
    std::string CookiesFolder;
    std::string TempFolder;
};

/// Reads the History, Cache and Cookies values of the per-user Shell Folders key, then the
/// temporary folder, in that order.
BrowserFolders ReadBrowserFolders();

/// The registry erasers the full clean runs (the real ones unless a test replaces them).
struct RegistryErasers {
    std::function<void()> CleanTypedURLs;
    std::function<void()> CleanFindMRU;
    std::function<void()> CleanMediaPlayerMRU;
    std::function<void()> CleanPaintMRU;
    std::function<void()> CleanRecentDocs;
    std::function<void()> CleanRunMRU;

    /// The real erasers.
    static RegistryErasers Real();
};

/// The folder erasers over the window's list, history object and folders.
class FolderErasers {
public:
    FolderErasers(ListBox& list1, CURLHistory& history, BrowserFolders folders,
                  RegistryErasers registry = RegistryErasers::Real());

    /// The folders, as read once.
    const BrowserFolders& Folders() const { return folders_; }

    /// `List1` := the cached URLs (the first entry always, later ones with the normal bit).
    void RefreshHistoryList();
    /// Erases the browser's history traces: cached URLs, typed URLs, both index.dat files,
    /// the cookie files and the URL history store. Says what failed.
    EraseReport EraseHistory();
    /// Wipes every file under the temporary folder and removes the subfolders it emptied.
    EraseReport CleanTempFolder();
    /// The full clean: history, the registry lists, the temporary folder.
    EraseReport EraseAll();

    /// Cleans the user's real browser profiles; EraseHistory calls it after its steps on the
    /// world (by default every enabled profile that is closed; a test may replace it).
    std::function<browsers::CleaningReport()> CleanProfiles;
    /// What the last EraseHistory did to the real profiles (the skipped ones are to be told).
    const browsers::CleaningReport& LastProfileReport() const { return lastProfileReport_; }

private:
    ListBox& list1_;
    CURLHistory& history_;
    BrowserFolders folders_;
    RegistryErasers registry_;
    browsers::CleaningReport lastProfileReport_;
};

/// The erasers with a URL list and a history object of their own, for callers without a
/// window (the command line).
class WindowlessErasers {
public:
    WindowlessErasers();
    ~WindowlessErasers();
    /// The erasers.
    FolderErasers& Erasers() { return *erasers_; }

private:
    StringList list_;
    std::unique_ptr<CURLHistory> history_;
    std::unique_ptr<FolderErasers> erasers_;
};

} // namespace corvane::eraser
