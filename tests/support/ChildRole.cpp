#include "support/ChildRole.h"

#include <map>
#include <string>

namespace corvane::testing {
namespace {

std::map<std::string, ChildMain>& Roles() {
    static std::map<std::string, ChildMain> roles;
    return roles;
}

} // namespace

ChildRole::ChildRole(const char* name, ChildMain main) {
    Roles()[name] = main;
}

int RunChildRole(const char* name) {
    const auto it = Roles().find(name);
    return it == Roles().end() ? 127 : it->second();
}

} // namespace corvane::testing
