#include "platform/shell.h"

#include <QString>
#include <QUrl>

#include <utility>

namespace corvane::platform {
namespace {

UrlOpener& Opener() {
    static UrlOpener opener;
    return opener;
}

UrlOpener& DesktopOpener() {
    static UrlOpener opener;
    return opener;
}

} // namespace

bool IsWebAddress(std::string_view text) {
    for (const char c : text) {
        // Control characters and spaces never belong in an address the cache recorded; refusing
        // them keeps a crafted line from reaching the browser as something else.
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f)
            return false;
    }
    const QUrl url(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                   QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https" || scheme == u"ftp";
}

void SetUrlOpener(UrlOpener opener) {
    Opener() = std::move(opener);
}

void SetDesktopOpener(UrlOpener opener) {
    DesktopOpener() = std::move(opener);
}

long ShellExecuteA(const void*, std::string_view, std::string_view file, std::string_view,
                   std::string_view, int) {
    if (!IsWebAddress(file))
        return SE_ERR_NOASSOC;
    const std::string url(file);
    const UrlOpener& opener = Opener() ? Opener() : DesktopOpener();
    const bool opened = opener && opener(url);
    return opened ? 33 : SE_ERR_FNF;
}

} // namespace corvane::platform
