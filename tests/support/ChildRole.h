#pragma once
// Some tests need a second process that runs project code (two writers on one hive, say). The
// test program itself serves as that process: started with CORVANE_TEST_CHILD=<role>, it runs the
// role's routine instead of the tests and exits with its status.

namespace corvane::testing {

/// The routine of a child role; returns the process's exit status.
using ChildMain = int (*)();

/// Registers a child role under a name at start-up.
struct ChildRole {
    ChildRole(const char* name, ChildMain main);
};

/// Runs the named role; 127 when no role has that name.
int RunChildRole(const char* name);

} // namespace corvane::testing
