#pragma once
// How corvanectl tells what a cleaning of the real browser profiles did.

#include "browsers/CleanReport.h"

#include <string>
#include <vector>

namespace corvane::cli {

/// Prints each line on standard error after "corvanectl: ".
void PrintProblems(const std::vector<std::string>& problems);

/// Prints one line per profile (cleaned ones on standard output, the others on standard error)
/// and the discovery problems; returns 1 when a profile could not be cleaned, else 0.
int ReportProfiles(const browsers::CleaningReport& report);

} // namespace corvane::cli
