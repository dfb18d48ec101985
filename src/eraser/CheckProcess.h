#pragma once
// Whether a program is running, judged by the file name of each process's executable.

#include <string>

namespace corvane::CheckProcess {

/// True when a running process's executable file name equals `name` (trimmed of spaces,
/// compared in upper case). Yields to the message loop once per process and while the process
/// list grows.
bool IsProcessRunning(const std::string& name);

} // namespace corvane::CheckProcess
