#pragma once
// A world of its own for a fuzz target: a prefix in a fresh temporary folder, made once per run,
// so fuzzing never touches the user's world.

#include "platform/world.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace corvane::fuzz {

/// Makes the run's private world on first use; aborts when that is impossible.
inline void EnsureWorld() {
    static const bool made = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/corvane-fuzz-XXXXXX";
        if (::mkdtemp(dir.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        ::setenv("CORVANE_PREFIX", dir.c_str(), 1);
        ::setenv("HOME", dir.c_str(), 1);
        ::setenv("XDG_DATA_HOME", dir.c_str(), 1);
        std::string error;
        if (!world::Ensure(error)) {
            std::fprintf(stderr, "cannot make the fuzz world: %s\n", error.c_str());
            std::abort();
        }
        return true;
    }();
    (void)made;
}

} // namespace corvane::fuzz
