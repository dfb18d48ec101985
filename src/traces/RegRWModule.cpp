#include "traces/RegRWModule.h"

#include <string>

namespace corvane::RegRWModule {

using namespace platform;

void SaveRegString(HKEY root, std::string_view keyPath, std::string_view valueName,
                   std::string_view text) {
    RegKey key;
    RegCreateKeyA(root, std::string(keyPath).c_str(), key.Out());
    // The length is the text alone, with no terminating NUL: the value holds exactly the text.
    RegSetValueExA(key.Get(), std::string(valueName).c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()));
}

void DeleteRegValue(HKEY root, std::string_view keyPath, std::string_view valueName) {
    RegKey key;
    RegOpenKeyA(root, std::string(keyPath).c_str(), key.Out());
    RegDeleteValueA(key.Get(), std::string(valueName).c_str());
}

} // namespace corvane::RegRWModule
