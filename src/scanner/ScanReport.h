#pragma once
// What a scan counts and the report it shows: the cookie files in the cookie folder and the
// listed URL cache addresses. The scanner window and `corvanectl scan` both count with these.

#include "scanner/ScanLocations.h"

#include <string>
#include <vector>

namespace corvane::ScanReport {

/// The pattern of the cookie files the scan counts.
inline constexpr char kCookiePattern[] = "*.txt*";

/// The ten-line report for C cookie files and O other files, lines joined by CR LF.
std::string ReportText(long cookies, long others);

/// The names of the cookie files in a folder (Windows path): ordinary, not hidden files that
/// match the cookie pattern, sorted as the file list shows them.
std::vector<std::string> CookieFileNames(const std::string& windowsFolder);

/// The URL cache addresses in the order the cache address list shows them.
std::vector<std::string> CacheAddresses();

/// How many names CookieFileNames would list, counted without sorting them.
long CountCookieFiles(const std::string& windowsFolder);

/// How many addresses CacheAddresses would list, counted by the cache without reading them.
long CountCacheAddresses();

/// The two counts of a scan.
struct Counts {
    long cookies = 0;
    long others = 0;
    /// The stores of real profiles that could not be read, one line each.
    std::vector<std::string> notCounted;
};

/// Counts the cookie files of the user's cookie folder and the listed cache addresses, plus the
/// cookies and cache entries of the enabled real browser profiles.
Counts CountTraces(const ScanLocations::VariableReader& variable);

} // namespace corvane::ScanReport
