// corvanectl scan: counts what the scanner window counts and prints its ten-line report.

#include "cli/command.h"
#include "platform/world.h"
#include "scanner/ScanReport.h"

#include <iostream>

namespace corvane::cli {
namespace {

int Scan(const std::vector<std::string>& args) {
    if (!args.empty())
        return UsageError("scan takes no arguments");
    std::string error;
    if (!world::Ensure(error))
        return Failure(error);
    const ScanReport::Counts counts =
        ScanReport::CountTraces(ScanLocations::EnvironmentVariables());
    // The box joins the lines with CR LF; a terminal and the scripts reading it want LF.
    std::string report = ScanReport::ReportText(counts.cookies, counts.others);
    for (std::size_t at = report.find("\r\n"); at != std::string::npos;
         at = report.find("\r\n", at))
        report.erase(at, 1);
    std::cout << report << "\n";
    // A store a running browser holds cannot be read: the counts above leave it out, and say so.
    for (const std::string& line : counts.notCounted)
        std::cout << line << "\n";
    return 0;
}

const Registrar registrar("scan",
                          "  scan                        count as the scanner does; print its "
                          "report\n",
                          Scan);

} // namespace
} // namespace corvane::cli
