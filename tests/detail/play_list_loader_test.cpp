#include "detail/play_list_loader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "detail/play_list_markers.h"
#include "platform/code_page.h"

namespace zentara {
namespace {

// The loader runs here on the test's own thread; without an application object the window
// layer runs UI-thread calls directly, so every update is recorded in order.
class RecordingView : public PlayListView {
  public:
    std::vector<std::string> events;
    std::shared_ptr<PlayListLink> link;
    int detachAfterRows = -1;

    void setLoadingVisible(bool visible) override { events.push_back(visible ? "show" : "hide"); }
    void appendEpisode(EpisodeList list, const EpisodeRow& row) override {
        events.push_back((list == EpisodeList::online ? "online " : "m3u8 ") +
                         textToUtf8(row.label) + "|" + textToUtf8(row.link));
        if (--detachAfterRows == 0) {
            link->detach();
        }
    }
};

// A site-2 page: online list a, b, c; M3U8 list d, e (one of them without a link).
Text sitePage() {
    const PlayListMarkers& m = playListMarkers(2);
    auto items = [](std::initializer_list<const char*> entries) {
        Text text;
        for (const char* entry : entries) {
            text += "<li><input value=\"" + gbk(entry) + "\" checked=\"\" /></li>\r\n";
        }
        return text;
    };
    return "<html>" + m.onlineStart + items({"第1集$http://o/1", "第2集$http://o/2", "第3集$a$b"}) +
           m.sectionEnd + "-->" + m.m3u8Start + items({"第1集$http://m/1.m3u8", "预告"}) +
           m.sectionEnd + "--></html>";
}

struct LoaderRun {
    RecordingView view;
    std::vector<Text> fetched;
    std::chrono::milliseconds elapsed{};

    void run(int site, const Text& page) {
        view.link = std::make_shared<PlayListLink>(&view);
        const auto start = std::chrono::steady_clock::now();
        loadPlayLists(view.link, "http://detail.example/?m=vod-detail-id-7.html", site,
                      [&](const Text& url) {
                          fetched.push_back(url);
                          return page;
                      });
        elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
    }
};

TEST(LoadPlayLists, ShowsPanelThenOnlineRowsThenM3u8RowsThenHidesPanel) {
    LoaderRun run;
    run.run(2, sitePage());
    ASSERT_EQ(run.fetched.size(), 1u);
    EXPECT_EQ(run.fetched[0], "http://detail.example/?m=vod-detail-id-7.html");
    const std::vector<std::string> expected = {
        "show",           "online 第1集|http://o/1",    "online 第2集|http://o/2",
        "online 第3集|a", "m3u8 第1集|http://m/1.m3u8",
        "m3u8 预告|",  // no link: a row with an empty link
        "hide",
    };
    EXPECT_EQ(run.view.events, expected);
    // Each of the five rows is followed by a 20 ms pause.
    EXPECT_GE(run.elapsed.count(), 5 * 20);
}

TEST(LoadPlayLists, UnknownSiteOrEmptyPageShowsAndHidesThePanelOnly) {
    const struct {
        int site;
        Text page;
    } cases[] = {{-1, sitePage()}, {2, Text()}, {3, sitePage()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.site);
        LoaderRun run;
        run.run(c.site, c.page);
        EXPECT_EQ(run.fetched.size(), 1u);  // the page is fetched even without a site
        EXPECT_EQ(run.view.events, (std::vector<std::string>{"show", "hide"}));
    }
}

TEST(LoadPlayLists, StopsWithoutTouchingAWindowThatHasGone) {
    for (int rows : {1, 3, 4}) {
        SCOPED_TRACE(rows);
        LoaderRun run;
        run.view.detachAfterRows = rows;
        run.run(2, sitePage());
        ASSERT_EQ(run.view.events.size(), 1u + rows);  // "show" and the rows before detaching
        EXPECT_NE(run.view.events.back(), "hide");
    }

    // Gone before the worker starts: nothing at all, not even the fetch.
    LoaderRun early;
    auto link = std::make_shared<PlayListLink>(&early.view);
    link->detach();
    loadPlayLists(link, "http://x/", 2, [&](const Text& url) {
        early.fetched.push_back(url);
        return sitePage();
    });
    EXPECT_TRUE(early.view.events.empty());
    EXPECT_TRUE(early.fetched.empty());
}

}  // namespace
}  // namespace zentara
