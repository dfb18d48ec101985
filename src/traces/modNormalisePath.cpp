#include "traces/modNormalisePath.h"

namespace corvane::modNormalisePath {

std::string NormalisePath(std::string_view path) {
    std::string out(path);
    if (out.empty() || out.back() != '\\')
        out += '\\';
    return out;
}

} // namespace corvane::modNormalisePath
