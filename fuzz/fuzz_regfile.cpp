// Fuzzes the .reg reader. Whatever a file imports must survive the round trip: export it, clear
// the hive, import the export, export again: the two exports are the same bytes.

#include "FuzzWorld.h"
#include "platform/regfile.h"
#include "platform/registry.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace corvane;
using namespace corvane::platform;

namespace {

void Clear() {
    if (RegDeleteTreeA(HKEY_CURRENT_USER, nullptr) != ERROR_SUCCESS) {
        std::fprintf(stderr, "cannot clear the hive\n");
        std::abort();
    }
}

[[noreturn]] void Broken(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::EnsureWorld();
    Clear();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string error;
    if (!ImportRegText(input, "input", error))
        return 0; // refused with an error: fine, as long as nothing crashed
    std::string first;
    if (!ExportRegText("", first, error))
        Broken("export after import failed", error);
    Clear();
    if (!ImportRegText(first, "export", error))
        Broken("the export does not import", error);
    std::string second;
    if (!ExportRegText("", second, error))
        Broken("second export failed", error);
    if (first != second)
        Broken("export, import, export changed the bytes",
               std::to_string(first.size()) + " vs " + std::to_string(second.size()));
    return 0;
}
