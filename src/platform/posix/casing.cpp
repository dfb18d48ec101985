#include "platform/casing.h"

#include "platform/utf8.h"

#include <QChar>

namespace corvane::platform {

std::string UpperName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        char32_t cp;
        const size_t n = utf8::Decode(name, i, cp);
        if (n == 0) {
            out += name[i++];
            continue;
        }
        if (cp < 0x80) {
            out += (cp >= 'a' && cp <= 'z') ? static_cast<char>(cp - 0x20) : static_cast<char>(cp);
        } else if (cp < 0x10000) {
            // Windows keeps one upper-case table of 16-bit units; QChar's simple mapping is
            // the same one-to-one rule (never "ß" to "SS").
            utf8::Append(out, QChar::toUpper(static_cast<char32_t>(cp)));
        } else {
            out.append(name.substr(i, n));
        }
        i += n;
    }
    return out;
}

} // namespace corvane::platform
