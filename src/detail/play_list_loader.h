#pragma once

// loadPlayLists: the worker behind DetailWindow. It fetches the detail page once, cuts both
// episode lists, then hands the rows to the window one at a time (online list first), pausing
// 20 ms after each row, and finally hides the loading panel.
//
// The worker never touches a window itself: every update runs on the UI thread through
// runOnUiThread, and only while the window is still there. A window that closes detaches itself
// from its PlayListLink; the worker then stops at its next step without touching it.

#include <atomic>
#include <functional>
#include <memory>

#include "detail/episode_entry.h"
#include "text/text.h"

namespace zentara {

// What the loader asks of its window. Called on the UI thread only.
class PlayListView {
  public:
    virtual void setLoadingVisible(bool visible) = 0;
    virtual void appendEpisode(EpisodeList list, const EpisodeRow& row) = 0;

  protected:
    ~PlayListView() = default;
};

// The tie between a window and its worker, shared by both. `view` is read and cleared on the UI
// thread only; `attached` lets the worker stop early without reaching the window.
class PlayListLink {
  public:
    explicit PlayListLink(PlayListView* view) : view_(view) {}

    // UI thread: the window is going away.
    void detach() {
        view_ = nullptr;
        attached_.store(false);
    }
    bool attached() const { return attached_.load(); }

    // Runs `update` on the UI thread with the view, if it is still attached. True if it ran.
    bool deliver(const std::function<void(PlayListView&)>& update);

  private:
    PlayListView* view_;
    std::atomic<bool> attached_{true};
};

using PageFetcher = std::function<Text(const Text& url)>;

// The fetcher DetailWindow's worker uses: fetchPage unless a test has set another.
PageFetcher detailPageFetcher();
void setDetailPageFetcher(PageFetcher fetcher);  // empty: fetchPage again

// The worker routine. `url` and `site` are taken on the UI thread before the worker starts.
void loadPlayLists(const std::shared_ptr<PlayListLink>& link, const Text& url, int site,
                   const PageFetcher& fetch);

}  // namespace zentara
