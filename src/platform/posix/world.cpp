#include "platform/world.h"

#include "platform/casing.h"
#include "platform/files.h"
#include "platform/posix/filetimes.h"
#include "platform/registry.h"
#include "platform/utf8.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <time.h>
#include <unistd.h>
#include <unordered_map>

namespace corvane::world {
namespace fs = std::filesystem;

namespace {

// Private-use code points stand for what a Windows name cannot carry: U+F700 + byte for a raw
// byte (a byte of invalid UTF-8, or one byte of a name that itself uses this range), and the
// backslash as U+F75C. Keeping the whole U+F700..U+F7FF block reserved makes the mapping exact.
constexpr char32_t kEscapeBase = 0xF700;

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}

// The names of one folder by their upper-case form, each form giving the first name in sorted
// order that has it: what the case-insensitive look-up of a name in the folder answers.
using NamesByForm = std::unordered_map<std::string, std::string>;

NamesByForm ReadNames(int dir) {
    NamesByForm names;
    const int fd = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return names;
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::fdopendir(fd), ::closedir);
    if (!listing) {
        ::close(fd);
        return names;
    }
    while (const dirent* e = ::readdir(listing.get())) {
        const std::string_view entry(e->d_name);
        if (entry == "." || entry == "..")
            continue;
        auto [it, added] = names.try_emplace(platform::UpperName(entry), entry);
        if (!added && entry < it->second)
            it->second = entry;
    }
    return names;
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Mapping many names in one big folder would read the whole folder once per name. The last
// folders read are kept with their change and modification times, which every addition, removal
// or rename in the folder moves on; a listing is used again only while both are unchanged, and
// kept only when those times were settled before it was read (every later change then moves a
// time on).
class FolderNames {
public:
    /// The name in the open folder `dir` whose upper-case form is `form`; empty when none.
    std::string Find(int dir, const std::string& form) {
        // The clock first: a folder stamped after it is too young to keep.
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        struct stat st {};
        if (::fstat(dir, &st) != 0)
            return Lookup(ReadNames(dir), form);
        std::lock_guard lock(mutex_);
        for (Entry& entry : entries_) {
            if (entry.device == st.st_dev && entry.inode == st.st_ino) {
                if (SameTime(entry.changed, st.st_ctim) && SameTime(entry.modified, st.st_mtim))
                    return Lookup(entry.names, form);
                entry.device = 0; // stale: read again below
                entry.inode = 0;
            }
        }
        // The times are taken before the listing: a change while it is read moves them on.
        NamesByForm names = ReadNames(dir);
        std::string found = Lookup(names, form);
        if (platform::TimesSettled(st.st_ctim, st.st_mtim, now)) {
            Entry& slot = entries_[next_];
            next_ = (next_ + 1) % entries_.size();
            slot = Entry{st.st_dev, st.st_ino, st.st_ctim, st.st_mtim, std::move(names)};
        }
        return found;
    }

private:
    struct Entry {
        dev_t device = 0;
        ino_t inode = 0;
        timespec changed{};
        timespec modified{};
        NamesByForm names;
    };

    static std::string Lookup(const NamesByForm& names, const std::string& form) {
        const auto it = names.find(form);
        return it == names.end() ? std::string() : it->second;
    }

    std::mutex mutex_;
    std::array<Entry, 8> entries_;
    std::size_t next_ = 0;
};

FolderNames& KnownFolders() {
    static FolderNames folders;
    return folders;
}

// Finds the entry of the open folder `dir` that is `name`: the exact name when it exists, else
// the first name in sorted order that is the same name to Windows, else `name` itself (a file
// about to be made). Works on the folder's descriptor, so the cost does not grow with the depth.
std::string ResolveComponent(int dir, const std::string& name) {
    struct stat st {};
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return name;
    std::string found = KnownFolders().Find(dir, platform::UpperName(name));
    return found.empty() ? name : found;
}

bool MakeFolder(const fs::path& p, std::string& error) {
    std::error_code ec;
    fs::create_directories(p, ec);
    if (ec || !fs::is_directory(p)) {
        error = "cannot create folder " + p.string() + ": " +
                (ec ? ec.message() : std::string("not a folder"));
        return false;
    }
    return true;
}

// The per-user shell folder values that name the profile folders, each written only when it is
// missing, as strings with their terminating NUL (the way the shell itself writes them).
bool EnsureShellFolders(const std::string& profile, std::string& error) {
    using namespace platform;
    constexpr const char* kKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    const std::pair<const char*, std::string> values[] = {
        {"History", profile + "\\Local Settings\\History"},
        {"Cache", profile + "\\Local Settings\\Temporary Internet Files"},
        {"Cookies", profile + "\\Cookies"},
    };
    RegKey key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, kKey, key.Out()) != ERROR_SUCCESS) {
        error = "cannot set up the registry hive " + RegistryFile().string();
        return false;
    }
    for (const auto& [name, path] : values) {
        if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_FILE_NOT_FOUND)
            continue;
        const std::string data = path + '\0';
        if (RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                           static_cast<DWORD>(data.size())) != ERROR_SUCCESS) {
            error = "cannot write the shell folders to " + RegistryFile().string();
            return false;
        }
    }
    return true;
}

} // namespace

fs::path Prefix() {
    if (const char* p = std::getenv("CORVANE_PREFIX"); p && *p)
        return fs::path(p);
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x)
        return fs::path(x) / "corvane";
    std::string home = EnvOr("HOME", "");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
            home = pw->pw_dir;
    }
    return fs::path(home) / ".local/share/corvane";
}

fs::path DriveC() {
    return Prefix() / "drive_c";
}
fs::path RegistryFile() {
    return Prefix() / "registry.sqlite";
}
fs::path UrlCacheFile() {
    return Prefix() / "urlcache.sqlite";
}
fs::path UrlHistoryFile() {
    return Prefix() / "urlhistory.sqlite";
}
fs::path ConfFile() {
    return Prefix() / "world.conf";
}

std::vector<std::string> Drives() {
    return {"C:", "Z:"};
}

std::string UserName() {
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name)
        return pw->pw_name;
    return EnvOr("USER", "user");
}

std::string ProfilePath() {
    return "C:\\Documents and Settings\\" + UserName();
}

std::string TempPath() {
    return ProfilePath() + "\\Local Settings\\Temp";
}

std::string EncodeName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        char32_t cp;
        const size_t n = utf8::Decode(name, i, cp);
        const bool reserved = n > 0 && cp >= kEscapeBase && cp <= kEscapeBase + 0xFF;
        if (n == 0 || reserved) {
            // Each byte of a malformed sequence, or of a reserved code point, is escaped alone.
            const size_t count = n == 0 ? 1 : n;
            for (size_t k = 0; k < count; ++k)
                utf8::Append(out, kEscapeBase + static_cast<unsigned char>(name[i + k]));
            i += count;
        } else if (cp == U'\\') {
            utf8::Append(out, kEscapeBase + '\\');
            i += 1;
        } else {
            out.append(name.substr(i, n));
            i += n;
        }
    }
    return out;
}

bool DecodeName(std::string_view name, std::string& out) {
    out.clear();
    out.reserve(name.size());
    std::string canonical; // the name with its raw bytes written as EncodeName writes them
    canonical.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        char32_t cp;
        const size_t n = utf8::Decode(name, i, cp);
        if (n == 0) {
            utf8::Append(canonical, kEscapeBase + static_cast<unsigned char>(name[i]));
            out += name[i++];
            continue;
        }
        canonical.append(name.substr(i, n));
        if (cp >= kEscapeBase && cp <= kEscapeBase + 0xFF) {
            // Only what EncodeName escapes may come out of an escape: the backslash and bytes
            // of the upper half. Never a separator, a NUL, a dot or any other plain character.
            const auto byte = static_cast<unsigned char>(cp - kEscapeBase);
            if (byte != '\\' && byte < 0x80)
                return false;
            out += static_cast<char>(byte);
            i += n;
        } else {
            out.append(name.substr(i, n));
            i += n;
        }
    }
    if (out.empty() || out == "." || out == ".." ||
        out.find_first_of(std::string_view("/\0", 2)) != std::string::npos)
        return false;
    // Each file has one Windows name: escapes that stand for well-formed text ("é" written as
    // two escaped bytes) would be a second name for it, so they are refused as well. Raw bytes
    // that are not UTF-8 count as the escapes EncodeName would have written for them.
    return EncodeName(out) == canonical;
}

std::string ToPosix(std::string_view win) {
    fs::path root;
    std::string_view rest = win;
    if (win.find('\0') != std::string_view::npos)
        return {};
    if (win.size() >= 2 && win[1] == ':') {
        const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(win[0])));
        if (drive == 'C')
            root = DriveC();
        else if (drive == 'Z')
            root = "/";
        else
            return {};
        rest = win.substr(2);
    } else {
        // A path without a drive (`\a\b`, or a relative `a\b`) is on drive C:.
        root = DriveC();
    }

    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = rest.size();
        std::string_view comp = rest.substr(start, end - start);
        if (comp == "..") {
            // A path never climbs above its drive's root.
            if (!parts.empty())
                parts.pop_back();
        } else if (!comp.empty() && comp != ".") {
            std::string decoded;
            if (!DecodeName(comp, decoded))
                return {}; // an invalid name stands for no file at all
            parts.push_back(std::move(decoded));
        }
        start = end + 1;
    }

    // Each component is looked up in the folder opened for the one before it: one step per
    // component, however deep the path. Once a folder is missing, the rest keep their case.
    std::string out = root.string();
    platform::FileHandle dir(::open(out.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    for (const auto& part : parts) {
        const std::string name = dir.IsOpen() ? ResolveComponent(dir.Descriptor(), part) : part;
        if (out.empty() || out.back() != '/')
            out += '/';
        out += name;
        if (dir.IsOpen())
            dir = platform::FileHandle(
                ::openat(dir.Descriptor(), name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    }
    return out;
}

std::string ToWindows(std::string_view posix) {
    if (posix.empty())
        return {};
    fs::path p(posix);
    if (p.is_relative()) {
        std::error_code ec;
        p = fs::current_path(ec) / p;
    }
    p = p.lexically_normal();
    const fs::path driveC = DriveC().lexically_normal();

    // Compare component by component so that /x/drive_cX is not taken for a folder of drive C:.
    auto pi = p.begin();
    bool underC = true;
    for (auto ci = driveC.begin(); ci != driveC.end(); ++ci, ++pi) {
        if (ci->empty())
            continue; // the trailing "" of a path that ends in a separator
        if (pi == p.end() || *pi != *ci) {
            underC = false;
            break;
        }
    }

    std::string out;
    if (underC) {
        out = "C:";
    } else {
        out = "Z:";
        pi = p.begin();
        ++pi; // skip the root "/"
    }
    bool any = false;
    for (; pi != p.end(); ++pi) {
        const std::string comp = pi->string();
        if (comp.empty())
            continue;
        out += '\\';
        out += EncodeName(comp);
        any = true;
    }
    if (!any)
        out += '\\';
    return out;
}

bool IsDriveRoot(const fs::path& posixPath) {
    auto settle = [](const fs::path& x) {
        std::string s = x.lexically_normal().string();
        while (s.size() > 1 && s.back() == '/')
            s.pop_back();
        std::error_code ec;
        const fs::path c = fs::weakly_canonical(fs::path(s), ec);
        return ec ? fs::path(s) : c;
    };
    const fs::path p = settle(posixPath);
    return p == "/" || p.empty() || p == settle(DriveC());
}

std::map<std::string, std::string> Conf() {
    std::map<std::string, std::string> conf = {
        {"windows_version", "5.1"}, {"windows_build", "2600"}, {"shell_version", "6.0.2900"},
        {"themes", "yes"},          {"common_controls", "6"},
    };
    std::ifstream in(ConfFile());
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        auto trim = [](std::string s) {
            const auto a = s.find_first_not_of(" \t\r");
            const auto b = s.find_last_not_of(" \t\r");
            return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
        };
        std::string key = trim(line.substr(0, eq));
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        conf[key] = trim(line.substr(eq + 1));
    }
    return conf;
}

bool Ensure(std::string& error) {
    const fs::path prefix = Prefix();
    std::error_code ec;
    const bool existed = fs::is_directory(prefix, ec);
    if (!MakeFolder(prefix, error))
        return false;
    if (!existed)
        ::chmod(prefix.c_str(), 0700);
    if (::access(prefix.c_str(), W_OK) != 0) {
        error = "the world folder " + prefix.string() + " is not writable";
        return false;
    }
    const std::string profile = ProfilePath();
    for (const char* sub :
         {"Cookies", "Recent", "Local Settings\\History\\History.IE5",
          "Local Settings\\Temporary Internet Files\\Content.IE5", "Local Settings\\Temp"}) {
        if (!MakeFolder(ToPosix(profile + "\\" + sub), error))
            return false;
    }
    if (!EnsureShellFolders(profile, error))
        return false;
    if (!fs::exists(ConfFile(), ec)) {
        std::ofstream conf(ConfFile());
        conf << "# Facts this world declares to the programs that run in it.\n"
                "windows_version = 5.1\n"
                "windows_build = 2600\n"
                "shell_version = 6.0.2900\n"
                "themes = yes\n"
                "common_controls = 6\n";
        if (!conf) {
            error = "cannot write " + ConfFile().string();
            return false;
        }
    }
    return true;
}

} // namespace corvane::world
