#include "shell/Autostart.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::Autostart {
namespace fs = std::filesystem;

namespace {

// Characters that force an Exec argument into double quotes.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
// Characters that must carry a backslash inside the double quotes.
constexpr std::string_view kEscapedInQuotes = "\"`$\\";

std::string Errno(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// The escapes every string value of a desktop entry uses, applied after the Exec quoting.
std::string EscapeStringValue(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

fs::path Folder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // The XDG base-directory rules ignore a relative value.
    if (config != nullptr && config[0] == '/')
        return fs::path(config) / "autostart";
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : "") / ".config" / "autostart";
}

fs::path EntryPath() {
    return Folder() / "corvane.desktop";
}

std::string QuoteExecArgument(std::string_view argument) {
    std::string out;
    const bool quote =
        argument.empty() || argument.find_first_of(kReserved) != std::string_view::npos;
    if (quote)
        out += '"';
    for (char c : argument) {
        if (quote && kEscapedInQuotes.find(c) != std::string_view::npos)
            out += '\\';
        // A literal percent sign would otherwise read as a field code.
        if (c == '%')
            out += '%';
        out += c;
    }
    if (quote)
        out += '"';
    return out;
}

std::string EntryText(const std::string& executable) {
    std::string text;
    text += "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=Corvane\n";
    text += "Comment=Erases browsing traces when the browser closes\n";
    text += "Exec=" + EscapeStringValue(QuoteExecArgument(executable) + " -min") + "\n";
    text += "Icon=corvane\n";
    text += "Terminal=false\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return text;
}

bool Install(const std::string& executable, std::string& error) {
    const fs::path folder = Folder();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        error = folder.string() + ": " + ec.message();
        return false;
    }
    std::string tmpl = (folder / ".corvane.desktop.XXXXXX").string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        error = Errno(tmpl);
        return false;
    }
    const std::string text = EntryText(executable);
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = Errno(tmpl);
            ok = false;
        } else {
            done += static_cast<std::size_t>(n);
        }
    }
    // The entry must be whole on disk before it replaces the old one.
    if (ok && (::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0)) {
        error = Errno(tmpl);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = Errno(tmpl);
        ok = false;
    }
    if (ok && ::rename(tmpl.c_str(), EntryPath().c_str()) != 0) {
        error = Errno(EntryPath().string());
        ok = false;
    }
    if (!ok)
        ::unlink(tmpl.c_str());
    return ok;
}

bool Remove(std::string& error) {
    if (::unlink(EntryPath().c_str()) != 0 && errno != ENOENT) {
        error = Errno(EntryPath().string());
        return false;
    }
    return true;
}

bool IsInstalled() {
    std::error_code ec;
    return fs::is_regular_file(EntryPath(), ec);
}

} // namespace corvane::Autostart
