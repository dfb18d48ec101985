// The browser-folder erasers of the eraser window: its history traces, the temporary folder and
// the full clean. They use the window's folders, its history store and its address list.

#include "eraser/Engine.h"

#include "eraser/Shredding.h"
#include "platform/files.h"
#include "platform/messageloop.h"
#include "traces/CURLHistory.h"
#include "traces/CleanIT.h"
#include "traces/modCache.h"
#include "traces/modNormalisePath.h"

#include <QListWidget>

namespace corvane {
namespace {

/// A file inside a folder; "" when the folder is not known, so that a missing folder erases
/// nothing instead of a file of the same name at the root of drive C:.
std::string Inside(const std::string& folder, const std::string& relative) {
    if (folder.empty())
        return {};
    return modNormalisePath::NormalisePath(folder) + relative;
}

void DeletePlainly(const std::string& path) {
    if (!path.empty())
        platform::FileSystem().DeleteFileA(path);
}

std::vector<std::string> Lines(const QListWidget& list) {
    std::vector<std::string> lines;
    const int count = list.count();
    for (int i = 0; i < count; ++i)
        lines.push_back(list.item(i)->text().toStdString());
    return lines;
}

} // namespace

void Engine::EraseHistory() {
    RefreshHistoryList();
    CleanIT::CleanTypedURLs();
    for (const std::string& url : Lines(*List1))
        modCache::DeleteCacheEntry(url);
    DeletePlainly(Inside(CacheFolder, "Content.IE5\\index.dat"));
    List1->clear();

    // The cookie files, directly in the folder; the list keeps full paths while they go.
    platform::FsoFolder cookies;
    if (!CookiesFolder.empty() && platform::FileSystem().GetFolder(CookiesFolder, cookies))
        for (const platform::FsoItem& file : platform::FileSystem().Files(cookies))
            List1->addItem(QString::fromStdString(file.Path));
    for (const std::string& path : Lines(*List1)) {
        if (path.size() >= 9 && path.compare(path.size() - 9, 9, "index.dat") == 0)
            DeletePlainly(path);
        else
            eraser::WipeFile(path);
    }
    List1->clear();

    DeletePlainly(Inside(HistoryFolder, "history.ie5\\index.dat"));
    if (URLHistory) {
        URLHistory->Clear();
        URLHistory->Refresh("", 0);
    }
}

void Engine::CleanTempFolder() {
    // Without a temporary folder there is nothing to clean; an empty path would name drive C:.
    if (TempFolder.empty())
        return;
    platform::Hourglass hourglass;
    eraser::WipeFolderTree(TempFolder);
    platform::FsoFolder temp;
    if (platform::FileSystem().GetFolder(TempFolder, temp))
        for (const platform::FsoItem& sub : platform::FileSystem().SubFolders(temp))
            platform::FileSystem().DeleteFolder(sub.Path, true);
}

void Engine::EraseAll() {
    EraseHistory();
    CleanIT::CleanFindMRU();
    CleanIT::CleanMediaPlayerMRU();
    CleanIT::CleanPaintMRU();
    CleanIT::CleanRecentDocs();
    CleanIT::CleanRunMRU();
    CleanTempFolder();
}

} // namespace corvane
