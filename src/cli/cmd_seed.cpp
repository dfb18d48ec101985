// corvanectl seed demo: fills the world with the traces a few days of browsing and desktop use
// leave behind, one or more of every kind the cleaner looks for, so the windows and the erasers
// can be tried on a realistic world.

#include "cli/command.h"
#include "cli/stores.h"
#include "platform/registry.h"
#include "platform/urlcache.h"
#include "platform/urlhistory.h"
#include "platform/world.h"
#include "traces/RegRWModule.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvane::cli {
namespace {

constexpr std::uint32_t kNormal = platform::NORMAL_CACHE_ENTRY;
constexpr std::uint32_t kSticky = platform::STICKY_CACHE_ENTRY;
constexpr std::uint32_t kCookie = platform::COOKIE_CACHE_ENTRY;
constexpr std::uint32_t kVisited = platform::URLHISTORY_CACHE_ENTRY;

struct Writer {
    std::string error;
    bool ok = true;

    // Writes a file given by its Windows path in the world.
    void File(const std::string& windowsPath, const std::string& content) {
        if (ok)
            ok = WriteWorldFile(world::ToPosix(windowsPath), content, error);
    }
    void Cache(const std::string& url, std::uint32_t type, const std::string& file) {
        if (ok)
            ok = AddCacheEntry(url, type, file, error);
    }
    void History(const std::string& url, const std::string& title) {
        if (ok)
            ok = AddHistoryEntry(url, title, error);
    }
};

// A cookie in the text form the browser keeps one file per site in.
std::string CookieText(const std::string& name, const std::string& value, const std::string& site) {
    return name + "\n" + value + "\n" + site + "/\n1536\n2916341376\n30870464\n1862137472\n" +
           "30123456\n*\n";
}

// The head of an index.dat database, enough for a file that looks like the real one.
std::string IndexDat() {
    std::string data = "Client UrlCache MMF Ver 5.2";
    data.resize(16384, '\0');
    return data;
}

void SeedFiles(Writer& w) {
    const std::string profile = world::ProfilePath();
    const std::string user = world::UserName();
    const std::string cookies = profile + "\\Cookies\\";
    w.File(cookies + user + "@example[1].txt", CookieText("session", "a81f0c", "example.com"));
    w.File(cookies + user + "@news.example[2].txt",
           CookieText("prefs", "layout=wide", "news.example.org"));
    w.File(cookies + user + "@shop.example[1].txt", CookieText("cart", "42", "shop.example.net"));
    w.File(cookies + user + "@ads.tracker[1].txt",
           CookieText("uid", "7d3e99b2c4", "ads.tracker.example"));
    w.File(cookies + "index.dat", IndexDat());
    w.File(profile + "\\Local Settings\\Temporary Internet Files\\Content.IE5\\index.dat",
           IndexDat());
    w.File(profile + "\\Local Settings\\History\\History.IE5\\index.dat", IndexDat());

    const std::string recent = profile + "\\Recent\\";
    for (const char* link : {"Quarterly report.doc.lnk", "holiday.jpg.lnk", "notes.txt.lnk"})
        w.File(recent + link, std::string("L\0\0\0shortcut", 12));

    const std::string temp = world::TempPath() + "\\";
    w.File(temp + "~DF3A21.tmp", std::string(2048, 'x'));
    w.File(temp + "setup.log", "Installation started\r\nInstallation finished\r\n");
    w.File(temp + "IXP000.TMP\\install.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n");
    w.File(temp + "IXP000.TMP\\data\\cab1.bin", std::string(4096, '\x5a'));
    w.File(temp + "Low\\Cache\\thumb.db", std::string(512, '\x01'));
}

void SeedCache(Writer& w) {
    const std::string user = world::UserName();
    // The first entry lacks the normal-entry bit: the windows still list it, being first.
    w.Cache("Cookie:" + user + "@example.com/", kCookie, "");
    w.Cache("http://www.example.com/", kNormal, "K3B9Q2LM\\index[1].htm");
    w.Cache("http://www.example.com/style.css", kNormal, "K3B9Q2LM\\style[1].css");
    w.Cache("Visited: " + user + "@http://www.example.com/", kVisited, "");
    w.Cache("http://news.example.org/today.html", kNormal, "P0X7ZD4A\\today[1].htm");
    w.Cache("http://news.example.org/images/logo.gif", kNormal, "P0X7ZD4A\\logo[1].gif");
    w.Cache("Cookie:" + user + "@news.example.org/", kCookie, "");
    w.Cache("http://shop.example.net/cart?id=42", kNormal | kSticky, "Z5M1N8QR\\cart[1].htm");
    w.Cache("http://www.example.com/search?q=privacy+cleaner", kNormal, "K3B9Q2LM\\search[1].htm");
}

void SeedHistory(Writer& w) {
    w.History("http://www.example.com/", "Example Domain");
    w.History("http://news.example.org/today.html", "Today's News");
    w.History("http://shop.example.net/cart?id=42", "");
    w.History("http://www.example.com/search?q=privacy+cleaner", "privacy cleaner - Search");
    w.History("file:///C:/Documents%20and%20Settings/" + world::UserName() +
                  "/My%20Documents/Quarterly%20report.doc",
              "");
}

// A most-recently-used list kept as one value per letter, with "MRUList" giving their order.
void LetterList(const std::string& key, const std::vector<std::string>& entries,
                const std::string& order) {
    for (std::size_t i = 0; i < entries.size(); ++i)
        RegRWModule::SaveRegString(platform::HKEY_CURRENT_USER, key,
                                   std::string(1, static_cast<char>('a' + i)), entries[i]);
    RegRWModule::SaveRegString(platform::HKEY_CURRENT_USER, key, "MRUList", order);
}

// A list kept as numbered values: prefix + first, prefix + first + 1, ...
void NumberedList(const std::string& key, const std::string& prefix, int first,
                  const std::vector<std::string>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i)
        RegRWModule::SaveRegString(platform::HKEY_CURRENT_USER, key,
                                   prefix + std::to_string(first + static_cast<int>(i)),
                                   entries[i]);
}

void SeedRegistry() {
    const std::string docs = world::ProfilePath() + "\\My Documents\\";
    const std::string explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    NumberedList("Software\\Microsoft\\Internet Explorer\\TypedURLs", "url", 1,
                 {"http://www.example.com/", "http://news.example.org/", "shop.example.net"});
    LetterList(explorer + "RunMRU", {"notepad\\1", "cmd\\1", "regedit\\1", "calc\\1"}, "cabd");
    LetterList(explorer + "Doc Find Spec MRU", {"*.doc", "holiday", "report 2006"}, "bca");
    LetterList(explorer + "RecentDocs", {"Quarterly report.doc", "holiday.jpg", "notes.txt"},
               "abc");
    NumberedList("Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList", "File", 0,
                 {docs + "My Music\\track01.mp3", docs + "My Music\\track02.mp3",
                  docs + "My Videos\\holiday.avi"});
    NumberedList("Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List",
                 "File", 1, {docs + "My Pictures\\holiday.bmp", docs + "My Pictures\\map.bmp"});
}

// How many traces of each kind a scaled world holds in all; zero keeps the demo's own number.
struct Scale {
    long cookies = 0;
    long cache = 0;
    long history = 0;
};

// The demo's own numbers of cookie files, cache entries and history entries.
constexpr long kDemoCookies = 4;
constexpr long kDemoCache = 9;
constexpr long kDemoHistory = 5;

// Adds made-up sites until each kind reaches its scaled number. The cache and history entries go
// in as one transaction each, so a world of 50,000 entries is made in seconds, not minutes.
void SeedScale(Writer& w, const Scale& scale) {
    // The folder is looked up once: mapping each new name through the world would search the
    // ever larger folder for another case of it, once per file.
    const std::string cookies = world::ToPosix(world::ProfilePath() + "\\Cookies") + "/";
    const std::string user = world::UserName();
    for (long i = kDemoCookies; w.ok && i < scale.cookies; ++i) {
        const std::string site = "site" + std::to_string(i) + ".example";
        w.ok = WriteWorldFile(cookies + user + "@" + site + "[1].txt",
                              CookieText("id", std::to_string(i), site), w.error);
    }
    std::vector<platform::UrlCacheAddition> cache;
    for (long i = kDemoCache; i < scale.cache; ++i) {
        const std::string site = "http://site" + std::to_string(i % 997) + ".example/";
        // One entry in eight is a cookie or a visited address, which the lists leave out.
        const std::uint32_t type = i % 8 == 3 ? kCookie : (i % 8 == 6 ? kVisited : kNormal);
        cache.push_back({site + "page" + std::to_string(i) + ".html", "", type});
    }
    if (w.ok && !cache.empty() && !platform::CommitUrlCacheEntries(cache)) {
        w.ok = false;
        w.error =
            "cannot add the cache entries (error " + std::to_string(platform::GetLastError()) + ")";
    }
    std::vector<platform::IUrlHistoryStg2::Visit> visits;
    for (long i = kDemoHistory; i < scale.history; ++i)
        visits.push_back({"http://site" + std::to_string(i % 997) + ".example/visit" +
                              std::to_string(i) + ".html",
                          i % 3 == 0 ? std::string() : "Page " + std::to_string(i)});
    std::unique_ptr<platform::IUrlHistoryStg2> store;
    if (w.ok && !visits.empty() &&
        (platform::FAILED(platform::IUrlHistoryStg2::Create(store)) ||
         platform::FAILED(store->AddUrls(visits)))) {
        w.ok = false;
        w.error = "cannot add the history entries";
    }
}

// Reads "--cookies N", "--cache N" and "--history N" after "demo"; false on anything else.
bool ParseScale(const std::vector<std::string>& args, Scale& scale, std::string& error) {
    for (std::size_t i = 1; i < args.size(); i += 2) {
        long* target = args[i] == "--cookies"   ? &scale.cookies
                       : args[i] == "--cache"   ? &scale.cache
                       : args[i] == "--history" ? &scale.history
                                                : nullptr;
        if (target == nullptr) {
            error = "unexpected word: " + args[i];
            return false;
        }
        const std::string value = i + 1 < args.size() ? args[i + 1] : std::string();
        if (value.empty() || value.size() > 9 ||
            value.find_first_not_of("0123456789") != std::string::npos) {
            error = args[i] + " needs a number";
            return false;
        }
        *target = std::stol(value);
    }
    return true;
}

int Seed(const std::vector<std::string>& args) {
    if (args.empty() || args[0] != "demo")
        return UsageError("seed knows one set: seed demo [--cookies N] [--cache N] [--history N]");
    Scale scale;
    std::string error;
    if (!ParseScale(args, scale, error))
        return UsageError(error);
    Writer w;
    SeedFiles(w);
    SeedCache(w);
    SeedHistory(w);
    SeedRegistry();
    SeedScale(w, scale);
    if (!w.ok)
        return Failure(w.error);
    return 0;
}

const Registrar registrar("seed",
                          "  seed demo [--cookies N] [--cache N] [--history N]\n"
                          "                              fill the world with a realistic set of "
                          "traces of every kind;\n"
                          "                              with numbers, N of a kind in all\n",
                          Seed);

} // namespace
} // namespace corvane::cli
