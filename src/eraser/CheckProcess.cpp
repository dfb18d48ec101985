#include "eraser/CheckProcess.h"

#include "platform/messageloop.h"
#include "platform/processes.h"

#include <cctype>
#include <vector>

namespace corvane::CheckProcess {
namespace {

using platform::DWORD;
using platform::HMODULE;

std::string TrimUpper(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    std::string out = text.substr(first, last - first + 1);
    for (auto& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

bool IsProcessRunning(const std::string& name) {
    platform::ProcessSource& source = platform::Processes();
    const std::string target = TrimUpper(name);

    // The id list is grown by doubling until a call leaves room to spare.
    DWORD bufferSize = 8;
    DWORD bytesNeeded = 96;
    std::vector<DWORD> ids;
    while (bufferSize <= bytesNeeded) {
        platform::DoEvents();
        if (bufferSize > 0x7FFFFFFFu / 2)
            return false; // a list that never fits: give up rather than overflow
        bufferSize *= 2;
        ids.assign(bufferSize / sizeof(DWORD), 0);
        if (!source.EnumProcesses(ids.data(), bufferSize, &bytesNeeded))
            return false; // an unanswered call would otherwise keep the loop going for ever
    }

    const DWORD count = bytesNeeded / sizeof(DWORD);
    bool found = false;
    for (DWORD i = 0; i < count && !found; ++i) {
        platform::DoEvents();
        platform::ProcessHandle process = source.OpenProcess(
            platform::PROCESS_QUERY_INFORMATION | platform::PROCESS_VM_READ, false, ids[i]);
        if (process.IsOpen()) {
            HMODULE modules[200] = {};
            DWORD modulesNeeded = 0;
            if (source.EnumProcessModules(process, modules, 200, &modulesNeeded)) {
                char fileName[260];
                const DWORD length =
                    source.GetModuleFileNameExA(process, modules[0], fileName, sizeof fileName);
                if (length > 0) {
                    const std::string module = TrimUpper(std::string(fileName, length));
                    const auto slash = module.rfind('\\');
                    const std::string last =
                        slash == std::string::npos ? module : module.substr(slash + 1);
                    found = last == target;
                }
            }
            source.CloseHandle(process);
        }
        if (!found)
            platform::DoEvents();
    }
    return found;
}

} // namespace corvane::CheckProcess
