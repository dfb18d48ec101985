// Fuzzes profile discovery with hostile listings. The bytes are written both as a profiles.ini
// and as a "Local State" into a private home furnished with links to where a listing must never
// lead a cleaner (the root, the home itself, a system folder, a folder outside the home) and to
// where it may (a folder in the home, the runtime folder). Discovery must not crash, and every
// folder it hands out must be resolved and lie inside the private home or runtime folder.
//
// Run as root, the private folders belong to nobody and discovery looks for nobody's folders, so
// that none of the system's folders (all root's) can pass as the user's own.

#include "browsers/Containment.h"
#include "browsers/Discovery.h"
#include "browsers/Profile.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

using namespace corvane::browsers;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

struct FakeHome {
    fs::path home;
    fs::path run;
    fs::path outside;
    fs::path profilesIni;
    fs::path localState;
    UserFolders folders;
};

void Link(const fs::path& target, const fs::path& link) {
    fs::create_directories(link.parent_path());
    fs::create_directory_symlink(target, link);
}

FakeHome Furnish() {
    const char* tmp = std::getenv("TMPDIR");
    std::string top = std::string(tmp && *tmp ? tmp : "/tmp") + "/corvane-fuzz-XXXXXX";
    if (::mkdtemp(top.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    FakeHome fake;
    fake.home = fs::path(top) / "home";
    fake.run = fs::path(top) / "run";
    fake.outside = fs::path(top) / "outside";
    const fs::path firefox = fake.home / ".mozilla/firefox";
    const fs::path chromium = fake.home / ".config/chromium";
    const fs::path cache = fake.home / ".cache";
    for (const fs::path& folder :
         {firefox / "a.default", firefox / "sub/b.default", chromium / "Default",
          chromium / "Profile 1", fake.run / "ram", fake.outside / "p", fake.home / "tmp",
          cache / "mozilla/firefox/sub", cache / "chromium"})
        fs::create_directories(folder);
    // Profiles reached through links, allowed and not.
    for (const auto& [target, name] : {std::pair<fs::path, const char*>{"/", "root"},
                                       {fake.home, "home"},
                                       {"/usr", "usr"},
                                       {fake.outside / "p", "out"},
                                       {fake.run / "ram", "ram"},
                                       {fake.home / ".mozilla", "up"}}) {
        Link(target, firefox / name);
        Link(target, chromium / name);
    }
    // Caches reached through links: out of the cache root, to the root, and inside the root.
    Link(fake.outside / "p", cache / "mozilla/firefox/a.default");
    Link("/", cache / "mozilla/firefox/ram");
    Link(cache / "chromium", cache / "chromium/Default");
    Link(fake.outside, cache / "chromium/Profile 1");
    Link(fake.home / "missing", cache / "chromium/ram");
    fake.profilesIni = firefox / "profiles.ini";
    fake.localState = chromium / "Local State";

    fake.folders.home = fake.home;
    fake.folders.configHome = fake.home / ".config";
    fake.folders.cacheHome = cache;
    fake.folders.runtimeHome = fake.run;
    fake.folders.tempFolder = fake.home / "tmp";
    fake.folders.owner = ::geteuid();
    if (fake.folders.owner == 0) {
        fake.folders.owner = kNobody;
        for (const auto& entry : fs::recursive_directory_iterator(top))
            if (::lchown(entry.path().c_str(), kNobody, kNobody) != 0)
                std::abort();
        if (::lchown(top.c_str(), kNobody, kNobody) != 0)
            std::abort();
    }
    return fake;
}

[[noreturn]] void Broken(const char* what, const std::string& got) {
    std::fprintf(stderr, "%s: %s\n", what, got.c_str());
    std::abort();
}

// A folder a cleaner would write below: resolved, and inside the home or the runtime folder.
void CheckContained(const FakeHome& fake, const fs::path& folder) {
    if (!folder.is_absolute() || Normal(folder) != folder)
        Broken("a folder handed out is not absolute and normal", folder.string());
    const bool inHome = Inside(folder, fake.home) && folder != fake.home;
    const bool inRun = Inside(folder, fake.run) && folder != fake.run;
    if (!inHome && !inRun)
        Broken("a folder handed out lies outside the home and runtime folder", folder.string());
    std::error_code ec;
    const fs::path real = fs::canonical(folder, ec);
    if (!ec && real != folder)
        Broken("a folder handed out is not resolved", folder.string() + " -> " + real.string());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FakeHome fake = Furnish();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const fs::path& file : {fake.profilesIni, fake.localState})
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    const Discovery found = DiscoverProfiles(fake.folders);
    for (const Profile& profile : found.profiles) {
        CheckContained(fake, profile.realFolder);
        CheckContained(fake, profile.lockFolder);
        for (const fs::path& cache : profile.cacheFolders)
            CheckContained(fake, cache);
        if (HasControlCharacter(profile.id) || HasControlCharacter(profile.name))
            Broken("a profile's id or name holds a control character", profile.id);
    }
    for (const std::string& problem : found.problems)
        if (HasControlCharacter(problem))
            Broken("a problem line holds a control character", problem);
    return 0;
}
