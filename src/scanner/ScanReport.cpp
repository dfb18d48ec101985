#include "scanner/ScanReport.h"

#include "browsers/Cleaner.h"
#include "platform/files.h"
#include "traces/modCache.h"

namespace corvane::ScanReport {

std::string ReportText(long cookies, long others) {
    const std::string rule(52, '-');
    const std::string lines[] = {
        "Scanning Complete By Corvane" + std::string(13, ' '),
        "",
        "Unsafe Files Found:",
        rule,
        "Cookies Found: " + std::to_string(cookies),
        "Other Files Found: " + std::to_string(others),
        "",
        "Action Required:",
        rule,
        "Activate Cleaner To Remove Files" + std::string(20, ' '),
    };
    // CR LF between lines, none after the last one.
    std::string text = lines[0];
    for (std::size_t i = 1; i < std::size(lines); ++i)
        text += "\r\n" + lines[i];
    return text;
}

std::vector<std::string> CookieFileNames(const std::string& windowsFolder) {
    return platform::FileSystem().ListFiles(windowsFolder, kCookiePattern, false);
}

std::vector<std::string> CacheAddresses() {
    return modCache::ListCacheUrls();
}

long CountCookieFiles(const std::string& windowsFolder) {
    return static_cast<long>(
        platform::FileSystem().CountFiles(windowsFolder, kCookiePattern, false));
}

long CountCacheAddresses() {
    return static_cast<long>(modCache::CountCacheUrls());
}

Counts CountTraces(const ScanLocations::VariableReader& variable) {
    Counts counts;
    counts.cookies = CountCookieFiles(ScanLocations::CookieFolder(variable));
    counts.others = CountCacheAddresses();
    // The user's enabled real profiles add their cookie rows and cache entries.
    browsers::TraceCounts real = browsers::CountEnabledTraces();
    counts.cookies += real.cookies;
    counts.others += real.cacheEntries;
    counts.notCounted = std::move(real.notCounted);
    return counts;
}

} // namespace corvane::ScanReport
