// corvanectl cache: add, list and delete URL cache entries.

#include "cli/command.h"
#include "cli/stores.h"
#include "platform/urlcache.h"
#include "traces/modCache.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace corvane::cli {

bool WriteWorldFile(const std::string& posixPath, const std::string& content, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(posixPath).parent_path(), ec);
    std::ofstream out(posixPath, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    if (!out) {
        error = "cannot write " + posixPath;
        return false;
    }
    return true;
}

bool AddCacheEntry(const std::string& url, std::uint32_t type, const std::string& fileName,
                   std::string& error) {
    std::string local;
    if (!fileName.empty()) {
        local = "Content.IE5\\" + fileName;
        const std::string posix = platform::UrlCacheLocalFilePath(local);
        if (posix.empty()) {
            error = "the file name leaves the cache folder: " + fileName;
            return false;
        }
        if (!WriteWorldFile(posix, "<html><body>Cached copy of " + url + "</body></html>\n", error))
            return false;
    }
    if (!platform::CommitUrlCacheEntryA(url.c_str(), local.c_str(), type)) {
        error =
            "cannot add the cache entry (error " + std::to_string(platform::GetLastError()) + ")";
        return false;
    }
    return true;
}

namespace {

bool ParseHex(const std::string& text, std::uint32_t& value) {
    std::string digits = text;
    if (digits.rfind("0x", 0) == 0 || digits.rfind("0X", 0) == 0)
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 8 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    value = static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
    return true;
}

int Add(const std::vector<std::string>& args) {
    std::string url, file;
    bool haveUrl = false;
    std::uint32_t type = platform::NORMAL_CACHE_ENTRY;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--type" && i + 1 < args.size()) {
            if (!ParseHex(args[++i], type))
                return UsageError("--type needs a hexadecimal number: " + args[i]);
        } else if (args[i] == "--file" && i + 1 < args.size()) {
            file = args[++i];
            if (file.empty())
                return UsageError("--file needs a name");
        } else if (!haveUrl) {
            url = args[i];
            haveUrl = true;
        } else {
            return UsageError("unexpected word: " + args[i]);
        }
    }
    if (url.empty())
        return UsageError("cache add needs a URL");
    std::string error;
    if (!AddCacheEntry(url, type, file, error))
        return Failure(error);
    return 0;
}

int List() {
    if (modCache::FindFirstCacheEntry()) {
        do {
            const std::string url = modCache::GetCacheEntryUrl();
            std::printf("%08x\t", static_cast<unsigned>(modCache::GetCacheEntryType()));
            std::fwrite(url.data(), 1, url.size(), stdout);
            std::fputc('\n', stdout);
        } while (modCache::FindNextCacheEntry());
    }
    // The walk ends with "no more items" unless the cache could not be read.
    const platform::DWORD end = platform::GetLastError();
    modCache::CloseCacheEnum();
    if (end != platform::ERROR_NO_MORE_ITEMS)
        return Failure("cannot read the URL cache (error " + std::to_string(end) + ")");
    return 0;
}

int Cache(const std::vector<std::string>& args) {
    if (args.empty())
        return UsageError("cache needs a subcommand");
    const std::string& sub = args[0];
    if (sub == "add")
        return Add(args);
    if (sub == "list" && args.size() == 1)
        return List();
    if (sub == "delete" && args.size() == 2) {
        if (modCache::DeleteCacheEntry(args[1]))
            return 0;
        if (platform::GetLastError() == platform::ERROR_FILE_NOT_FOUND)
            return Failure("no cache entry for " + args[1]);
        return Failure("cannot delete the cache entry (error " +
                       std::to_string(platform::GetLastError()) + ")");
    }
    return UsageError("unknown or incomplete cache command");
}

const Registrar registrar(
    "cache",
    "  cache add URL [--type HEX] [--file NAME]\n"
    "                              add or replace an entry (default type 1); --file makes a\n"
    "                              local file NAME under Content.IE5\n"
    "  cache list                  print every entry as flags<TAB>url, in walk order\n"
    "  cache delete URL            delete an entry and its local file\n",
    Cache);

} // namespace
} // namespace corvane::cli
