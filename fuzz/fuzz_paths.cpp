// Fuzzes the Windows <-> POSIX path mapping. The first byte picks the half:
// - even: the rest is a POSIX file name; its Windows name must decode back to it exactly, and
//   the full path must map to Windows and back to itself;
// - odd: the rest is a Windows path on drive C:; when it maps, the result must lie inside the
//   drive, hold no NUL and no empty, "." or ".." component, and mapping it back and forth again
//   must give the same path.

#include "FuzzWorld.h"
#include "platform/world.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

using namespace corvane;

namespace {

[[noreturn]] void Broken(const char* what, std::string_view input, const std::string& got) {
    std::fprintf(stderr, "%s\n  input: %.*s\n  got:   %s\n", what, static_cast<int>(input.size()),
                 input.data(), got.c_str());
    std::abort();
}

// A few real names, so the case-insensitive look-up has something to find.
void Furnish() {
    static const bool done = [] {
        const std::filesystem::path c = world::DriveC();
        for (const char* name : {"Mixed Case", "mixed case", "ÉTÉ", "back\\slash", "raw\xff"}) {
            std::filesystem::create_directories(c / name / "Sub");
            std::ofstream(c / name / "file.TXT") << "x";
        }
        return true;
    }();
    (void)done;
}

void PosixName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos)
        return; // not a name POSIX can give a file
    const std::string windows = world::EncodeName(name);
    std::string back;
    if (!world::DecodeName(windows, back) || back != name)
        Broken("a POSIX name does not come back from its Windows name", name, back);
    const std::string path = (world::DriveC() / "never-made" / std::string(name)).string();
    const std::string mapped = world::ToPosix(world::ToWindows(path));
    if (mapped != path)
        Broken("a POSIX path does not round-trip", name, mapped);
}

void WindowsPath(std::string_view rest) {
    const std::string windows = "C:\\" + std::string(rest);
    const std::string posix = world::ToPosix(windows);
    if (posix.empty())
        return; // an invalid name, refused
    const std::string drive = world::DriveC().string();
    if (posix.compare(0, drive.size(), drive) != 0 ||
        (posix.size() > drive.size() && posix[drive.size()] != '/'))
        Broken("a path of drive C: maps outside the drive", rest, posix);
    if (posix.find('\0') != std::string::npos)
        Broken("a mapped path holds a NUL", rest, posix);
    for (size_t start = drive.size(); start < posix.size();) {
        const size_t end = std::min(posix.find('/', start + 1), posix.size());
        const std::string_view comp(posix.data() + start + 1, end - start - 1);
        if (comp.empty() || comp == "." || comp == "..")
            Broken("a mapped path holds an empty, . or .. component", rest, posix);
        start = end;
    }
    const std::string again = world::ToPosix(world::ToWindows(posix));
    if (again != posix)
        Broken("mapping is not idempotent", rest, again);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::EnsureWorld();
    Furnish();
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0)
        PosixName(rest);
    else
        WindowsPath(rest);
    return 0;
}
