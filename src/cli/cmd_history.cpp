// corvanectl history: add, list and clear URL history entries.

#include "cli/command.h"
#include "cli/stores.h"
#include "platform/urlhistory.h"

#include <cstdio>
#include <memory>

namespace corvane::cli {

bool AddHistoryEntry(const std::string& url, const std::string& title, std::string& error) {
    std::unique_ptr<platform::IUrlHistoryStg2> store;
    if (platform::FAILED(platform::IUrlHistoryStg2::Create(store))) {
        error = "cannot open the URL history store";
        return false;
    }
    if (platform::FAILED(store->AddUrl(url, title, 0))) {
        error = "cannot add the history entry";
        return false;
    }
    return true;
}

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
    if (add) {
        std::string error;
        if (!AddHistoryEntry(args[1], args.size() == 3 ? args[2] : std::string(), error))
            return Failure(error);
        return 0;
    }
    std::unique_ptr<IUrlHistoryStg2> store;
    if (FAILED(IUrlHistoryStg2::Create(store)))
        return Failure("cannot open the URL history store");
    if (list)
        return List(*store);
    return FAILED(store->ClearHistory()) ? Failure("cannot clear the URL history") : 0;
}

const Registrar registrar("history",
                          "  history add URL [TITLE]     record a visit (sets the title)\n"
                          "  history list                print every entry as url<TAB>title\n"
                          "  history clear               delete every entry\n",
                          History);

} // namespace
} // namespace corvane::cli
