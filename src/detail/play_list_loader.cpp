#include "detail/play_list_loader.h"

#include <mutex>

#include "detail/play_list_cut.h"
#include "platform/window_layer.h"
#include "shell/fetch_page.h"

namespace zentara {

namespace {

constexpr int kRowPauseMs = 20;

std::mutex& fetcherMutex() {
    static std::mutex mutex;
    return mutex;
}

PageFetcher& fetcherOverride() {
    static PageFetcher fetcher;
    return fetcher;
}

// Hands the rows of one list to the window; false once the window has gone.
bool fillList(PlayListLink& link, EpisodeList list, const TextList& entries) {
    for (const Text& entry : entries) {
        const EpisodeRow row = splitEpisodeEntry(entry);
        if (!link.deliver([&](PlayListView& view) { view.appendEpisode(list, row); })) {
            return false;
        }
        waitProcessingEvents(kRowPauseMs);
        processEvents();
    }
    return true;
}

}  // namespace

bool PlayListLink::deliver(const std::function<void(PlayListView&)>& update) {
    if (!attached()) {
        return false;
    }
    bool ran = false;
    runOnUiThread([&] {
        if (view_ != nullptr) {
            update(*view_);
            ran = true;
        }
    });
    return ran;
}

PageFetcher detailPageFetcher() {
    std::lock_guard<std::mutex> lock(fetcherMutex());
    if (fetcherOverride()) {
        return fetcherOverride();
    }
    return [](const Text& url) { return fetchPage(url); };
}

void setDetailPageFetcher(PageFetcher fetcher) {
    std::lock_guard<std::mutex> lock(fetcherMutex());
    fetcherOverride() = std::move(fetcher);
}

void loadPlayLists(const std::shared_ptr<PlayListLink>& link, const Text& url, int site,
                   const PageFetcher& fetch) {
    if (!link->deliver([](PlayListView& view) { view.setLoadingVisible(true); })) {
        return;
    }
    const Text page = fetch(url);
    // Both lists are cut before the first row is shown.
    const PlayLists lists = cutPlayLists(page, site);
    if (!fillList(*link, EpisodeList::online, lists.online) ||
        !fillList(*link, EpisodeList::m3u8, lists.m3u8)) {
        return;
    }
    link->deliver([](PlayListView& view) { view.setLoadingVisible(false); });
}

}  // namespace zentara
