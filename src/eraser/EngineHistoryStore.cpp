// The eraser window's URL history store. It lives in a file of its own because the store's
// status codes and the registry's share names, so no file may declare both.

#include "eraser/Engine.h"

#include "traces/CURLHistory.h"

namespace corvane {

void Engine::OpenHistoryStore() {
    URLHistory = std::make_shared<CURLHistory>();
}

void Engine::ClearHistoryStore() {
    if (!URLHistory)
        return;
    URLHistory->Clear();
    URLHistory->Refresh("", 0);
}

} // namespace corvane
