#pragma once
// corvanectl's command groups. Each group lives in its own file and registers itself here, so
// a new group needs no edit to the dispatcher.

#include <string>
#include <vector>

namespace corvane::cli {

/// Runs one command group with the words after its name; returns the exit code.
using Handler = int (*)(const std::vector<std::string>& args);

/// Registers a command group (`world`, `reg`, ...) at start-up.
struct Registrar {
    Registrar(const char* group, const char* usage, Handler handler);
};

/// Prints the message and the usage on standard error; returns 2.
int UsageError(const std::string& message);
/// Prints "corvanectl: <message>" on standard error; returns 1.
int Failure(const std::string& message);
/// True when the global `--yes` was given: questions are answered Yes without a person.
bool AnswerYes();

} // namespace corvane::cli
