#pragma once
// The real Firefox ESR and Chromium profiles make-profiles.sh made for this test run, and the
// search for their markers: which file (or disk image) still holds which trace after a clean.
// A marker is looked for as bytes, as UTF-16 in both byte orders (leveldb keys, IndexedDB names),
// and inside Firefox's mozLz40 files (sessions, backups), decompressed.

#include "browsers/BrowserHome.h"
#include "support/Corvanectl.h"

#include <gtest/gtest.h>
#include <lz4.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::testing {

/// The folder make-profiles.sh filled for this run ("" when the run made none).
inline fs::path MadeProfiles() {
    const char* made = std::getenv("CORVANE_BROWSER_PROFILES");
    return made && fs::exists(fs::path(made) / "ready") ? fs::path(made) : fs::path();
}

/// Copies the made profiles into a home of the test's own.
inline void CopyMadeProfiles(const BrowserHome& home) {
    const fs::path made = MadeProfiles();
    const auto options = fs::copy_options::recursive | fs::copy_options::copy_symlinks |
                         fs::copy_options::overwrite_existing;
    fs::copy(made / "home", home.Home(), options);
    fs::copy(made / "config", home.Config(), options);
    fs::copy(made / "cache", home.Cache(), options);
}

/// The port the site had while the profiles were made (it is in every address they hold).
inline std::string MadePort() {
    return ReadBytes(MadeProfiles() / "port");
}

/// Every trace a clean must erase, as the text the test site marked it with: each kind of
/// `corvmark-`, the service worker's address and the name the download was saved under.
inline std::vector<std::string> ErasedMarkers() {
    std::vector<std::string> markers;
    for (const char* kind : {"visit", "title", "search", "typed", "cookie", "local", "session",
                             "idb", "cstore", "sw", "favicon", "download", "form", "subres"})
        markers.push_back(std::string("corvmark-") + kind);
    markers.push_back("127.0.0.1:" + MadePort() + "/sw.js");
    markers.push_back("corvane-fetched.txt");
    return markers;
}

/// The text of a marker as UTF-16 in one byte order.
inline std::string Utf16(const std::string& text, bool bigEndian) {
    std::string wide;
    for (const char c : text) {
        wide += bigEndian ? '\0' : c;
        wide += bigEndian ? c : '\0';
    }
    return wide;
}

/// The decompressed text of a mozLz40 block starting at `at` ("" when it does not decode); the
/// compressed length is not stored, so decoding stops once the stored size is reached.
inline std::string MozLz4At(std::string_view bytes, size_t at) {
    constexpr std::string_view magic("mozLz40\0", 8);
    if (bytes.substr(at, 8) != magic || bytes.size() < at + 12)
        return {};
    uint32_t size = 0;
    for (int i = 3; i >= 0; --i)
        size = size << 8 | static_cast<unsigned char>(bytes[at + 8 + i]);
    size = std::min<uint32_t>(size, 64u << 20);
    std::string out(size, '\0');
    const auto source = bytes.substr(at + 12, std::min<size_t>(bytes.size() - at - 12, 64u << 20));
    const int made =
        LZ4_decompress_safe_partial(source.data(), out.data(), static_cast<int>(source.size()),
                                    static_cast<int>(size), static_cast<int>(size));
    out.resize(made > 0 ? made : 0);
    return out;
}

/// The markers that occur in some bytes, in any of the forms a store keeps text in. With
/// `anywhere`, every mozLz40 block in the bytes is decoded (a disk image); otherwise only one at
/// the start (a file).
inline std::vector<std::string>
MarkersIn(std::string_view bytes, const std::vector<std::string>& markers, bool anywhere = false) {
    std::vector<std::string> views;
    const auto next = [&](size_t from) {
        const void* hit = from < bytes.size() ? ::memmem(bytes.data() + from, bytes.size() - from,
                                                         "mozLz40\0", 8)
                                              : nullptr;
        return hit ? static_cast<size_t>(static_cast<const char*>(hit) - bytes.data())
                   : std::string_view::npos;
    };
    for (size_t at = 0; at != std::string_view::npos;
         at = anywhere ? next(at + 1) : std::string_view::npos)
        if (std::string text = MozLz4At(bytes, at); !text.empty())
            views.push_back(std::move(text));
    std::vector<std::string> found;
    for (const std::string& marker : markers) {
        for (const std::string& form : {marker, Utf16(marker, false), Utf16(marker, true)}) {
            // The C library's search is fast in every build, sanitized ones too, over a whole disk.
            const auto in = [&](std::string_view text) {
                return ::memmem(text.data(), text.size(), form.data(), form.size()) != nullptr;
            };
            if (in(bytes) || std::any_of(views.begin(), views.end(), in)) {
                found.push_back(marker);
                break;
            }
        }
    }
    return found;
}

/// The made Firefox profile in a home.
inline fs::path FirefoxProfile(const BrowserHome& home) {
    return home.Home() / ".mozilla/firefox/corvtest.default-esr";
}
/// The made Chromium profile in a home.
inline fs::path ChromiumProfile(const BrowserHome& home) {
    return home.Config() / "chromium/Default";
}
/// The id corvanectl knows a profile by.
inline std::string ProfileId(const char* family, const fs::path& folder) {
    return std::string(family) + ":" + folder.string();
}
/// Agrees to the cleaning of a profile, as the user would.
inline void EnableProfile(const std::string& id) {
    const auto run = RunCorvanectl({"browsers", "enable", id});
    ASSERT_EQ(run.exitCode, 0) << run.err;
}

/// A test on a copy of the made profiles in a home of its own, skipped when the run made none.
class RealProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("CORVANE_BROWSER_PROFILES"))
            GTEST_SKIP() << "no real profiles made (run through ctest, which makes them first)";
        ASSERT_FALSE(MadeProfiles().empty()) << "the real profiles were not made";
        CopyMadeProfiles(home_);
    }

    fs::path Firefox() const { return FirefoxProfile(home_); }
    fs::path FirefoxCache() const {
        return home_.Cache() / "mozilla/firefox/corvtest.default-esr/cache2";
    }
    fs::path Chromium() const { return ChromiumProfile(home_); }
    static std::string Id(const char* family, const fs::path& folder) {
        return ProfileId(family, folder);
    }
    static void Enable(const std::string& id) { EnableProfile(id); }
    // A local page for the browser's second start, so it needs no web site.
    std::string NewPage() const {
        const fs::path page = home_.World().Root() / "new-visit.html";
        std::ofstream(page) << "<html><title>after cleaning</title><body>new</body></html>";
        return "file://" + page.string();
    }
    static int Shell(const std::string& command) { return std::system(command.c_str()); }

    BrowserHome home_;
};

/// One file and the markers it holds.
struct Residue {
    fs::path file;
    std::vector<std::string> markers;
};

/// Every file below the folders (links not followed) that holds any of the markers.
inline std::vector<Residue> FindResidue(const std::vector<fs::path>& folders,
                                        const std::vector<std::string>& markers) {
    std::vector<Residue> residue;
    for (const fs::path& folder : folders) {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
             it.increment(ec)) {
            if (it->is_symlink(ec) || !it->is_regular_file(ec))
                continue;
            if (auto found = MarkersIn(ReadBytes(it->path()), markers); !found.empty())
                residue.push_back({it->path(), std::move(found)});
        }
    }
    return residue;
}

/// The residue, one file a line with its markers, paths relative to `root`.
inline std::string Describe(const std::vector<Residue>& residue, const fs::path& root) {
    std::string text;
    for (const Residue& r : residue) {
        text += "  " + fs::relative(r.file, root).string() + ":";
        for (const std::string& marker : r.markers)
            text += " " + marker;
        text += "\n";
    }
    return text;
}

/// The bytes of each file, to show afterwards that a clean left them exactly as they were.
class Unchanged {
public:
    explicit Unchanged(std::vector<fs::path> files) : files_(std::move(files)) {
        for (const fs::path& file : files_) {
            EXPECT_TRUE(fs::exists(file)) << file;
            bytes_.push_back(ReadBytes(file));
        }
    }
    /// The files whose bytes changed (or that went), one a line.
    std::string Changed() const {
        std::string changed;
        for (size_t i = 0; i < files_.size(); ++i)
            if (!fs::exists(files_[i]) || ReadBytes(files_[i]) != bytes_[i])
                changed += "  " + files_[i].string() + "\n";
        return changed;
    }

private:
    std::vector<fs::path> files_;
    std::vector<std::string> bytes_;
};

} // namespace corvane::testing
