// corvanectl history: add, list and clear URL history entries.

#include "cli/command.h"
#include "platform/urlhistory.h"

#include <cstdio>
#include <memory>

namespace corvane::cli {
namespace {

using namespace platform;

void PrintText(const char* text) {
    if (text != nullptr)
        std::fputs(text, stdout);
}

int List(IUrlHistoryStg2& store) {
    std::unique_ptr<IEnumSTATURL> urls;
    if (FAILED(store.EnumUrls(urls)))
        return Failure("cannot read the URL history");
    STATURL record;
    for (;;) {
        std::uint32_t fetched = 0;
        if (FAILED(urls->Next(1, &record, &fetched)))
            return Failure("cannot read the URL history");
        if (fetched == 0)
            return 0;
        PrintText(record.pwcsUrl.Get());
        std::fputc('\t', stdout);
        PrintText(record.pwcsTitle.Get());
        std::fputc('\n', stdout);
    }
}

int History(const std::vector<std::string>& args) {
    if (args.empty())
        return UsageError("history needs a subcommand");
    const std::string& sub = args[0];
    const bool add = sub == "add" && (args.size() == 2 || args.size() == 3);
    const bool list = sub == "list" && args.size() == 1;
    const bool clear = sub == "clear" && args.size() == 1;
    if (!add && !list && !clear)
        return UsageError("unknown or incomplete history command");
    if (add && args[1].empty())
        return UsageError("history add needs a URL");
    std::unique_ptr<IUrlHistoryStg2> store;
    if (FAILED(IUrlHistoryStg2::Create(store)))
        return Failure("cannot open the URL history store");
    if (list)
        return List(*store);
    if (clear)
        return FAILED(store->ClearHistory()) ? Failure("cannot clear the URL history") : 0;
    const std::string title = args.size() == 3 ? args[2] : std::string();
    return FAILED(store->AddUrl(args[1], title, 0)) ? Failure("cannot add the history entry") : 0;
}

const Registrar registrar("history",
                          "  history add URL [TITLE]     record a visit (sets the title)\n"
                          "  history list                print every entry as url<TAB>title\n"
                          "  history clear               delete every entry\n",
                          History);

} // namespace
} // namespace corvane::cli
