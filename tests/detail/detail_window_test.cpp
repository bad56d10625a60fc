#include "detail/detail_window.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFrame>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "detail/episode_address.h"
#include "detail/play_list_loader.h"
#include "detail/play_list_markers.h"
#include "detail/qr_window.h"
#include "loopback_server.h"
#include "platform/code_page.h"
#include "platform/window_layer.h"
#include "shell/qt_text.h"
#include "shell/shared_state.h"
#include "shell/source_catalogue.h"
#include "widget_app.h"

namespace zentara {
namespace {

using Entries = std::vector<std::pair<const char*, const char*>>;  // label, link

// A site-2 detail page ("<!--前yjyun-->" ... "<!--后") with the given entries.
Text sitePage(const Entries& online, const Entries& m3u8) {
    const PlayListMarkers& m = playListMarkers(2);
    auto items = [](const Entries& entries) {
        Text text;
        for (const auto& [label, link] : entries) {
            text += "<li><input value=\"" + gbk(label) + "$" + gbk(link) +
                    "\" checked=\"\" /></li>\r\n";
        }
        return text;
    };
    return "<html>\r\n" + m.onlineStart + "\r\n" + items(online) + m.sectionEnd + "yjyun-->" +
           m.m3u8Start + "\r\n" + items(m3u8) + m.sectionEnd + "yjm3u8-->\r\n</html>";
}

const Entries kOnline = {{"第01集", "http://o.example/1.html"},
                         {"第02集", "o.example/2.html"},
                         {"第03集", "ep3 http://o.example/3.html"}};
const Entries kM3u8 = {{"第01集", "https://m.example/1/index.m3u8"},
                       {"第02集", "https://m.example/2/index.m3u8?a=1&b=2"}};

bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QTest::qWait(5);
    }
    return true;
}

class DetailWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { testing::widgetApplication(); }

    void SetUp() override {
        setMessageBoxHook([this](const Text& text, const Text& title) {
            messages.push_back(textToUtf8(text) + " / " + textToUtf8(title));
        });
        setOpenUrlHook([this](const Text& address) { opened.push_back(address); });
        setClipboardHook([this](const Text& text) { clipboard.push_back(text); });
        menuList = 0;
        playPrefix = PlayInterface::row(0).prefix;
        detailUrl = "http://detail.example/?m=vod-detail-id-42.html";
        usePage(sitePage(kOnline, kM3u8));
    }

    void TearDown() override {
        setMessageBoxHook({});
        setOpenUrlHook({});
        setClipboardHook({});
        setDetailPageFetcher({});
        window.reset();
        // Every worker started by the test has ended once nothing holds the fetcher's token.
        EXPECT_TRUE(waitUntil([this] { return workerToken_.use_count() == 1; }))
            << "a detail worker is still running";
    }

    // The page every DetailWindow of this test loads; fetches are recorded.
    void usePage(const Text& page) {
        setDetailPageFetcher([page, log = fetchLog_, token = workerToken_](const Text& url) {
            std::lock_guard lock(log->mutex);
            log->urls.push_back(url);
            return page;
        });
    }
    std::vector<Text> fetchedUrls() const {
        std::lock_guard lock(fetchLog_->mutex);
        return fetchLog_->urls;
    }

    void open(int site = 2) {
        fetchesBeforeOpen_ = fetchedUrls().size();
        window = std::make_unique<DetailWindow>(gbk("片名"), gbk("更新至2集"), site);
        window->show();
    }
    QTreeWidget* list(const char* name) const { return window->findChild<QTreeWidget*>(name); }
    QFrame* panel() const { return window->findChild<QFrame*>("loadingPanel"); }
    // The worker shows the panel before it fetches and hides it after the last row.
    bool loaded() const { return fetchedUrls().size() > fetchesBeforeOpen_ && panel()->isHidden(); }
    void openAndLoad(int site = 2) {
        open(site);
        ASSERT_TRUE(waitUntil([this] { return loaded(); }));
    }

    static QPoint rowCentre(QTreeWidget* view, int row) {
        return view->visualItemRect(view->topLevelItem(row)).center();
    }
    static QPoint emptyArea(QTreeWidget* view) {
        return QPoint(20, view->viewport()->height() - 5);
    }

    // Right-click at `pos` (a row, or empty space); whatever menu opens gets `choose` run on it.
    // Returns whether a menu opened.
    bool rightClick(QTreeWidget* view, QPoint pos, std::function<void(QMenu&)> choose) {
        bool menuSeen = false;
        QTimer::singleShot(0, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                menuSeen = true;
                choose(*menu);
            }
        });
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, pos);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, view->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(view->viewport(), &event);
        QTest::qWait(10);
        return menuSeen;
    }
    // A double-click as the window system delivers it: press and release, then the double-click.
    static void doubleClick(QTreeWidget* view, QPoint pos) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pos);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, pos);
    }
    static void dismiss(QMenu& menu) { menu.close(); }
    static std::function<void(QMenu&)> pick(int index) {
        return [index](QMenu& menu) {
            menu.setActiveAction(menu.actions().at(index));
            QTest::keyClick(&menu, Qt::Key_Return);
        };
    }

    std::unique_ptr<DetailWindow> window;
    std::vector<std::string> messages;
    std::vector<Text> opened;
    std::vector<Text> clipboard;

  private:
    struct FetchLog {
        std::mutex mutex;
        std::vector<Text> urls;
    };
    std::shared_ptr<FetchLog> fetchLog_ = std::make_shared<FetchLog>();
    std::shared_ptr<int> workerToken_ = std::make_shared<int>(0);
    std::size_t fetchesBeforeOpen_ = 0;
};

Text cell(QTreeWidget* view, int row, int column) {
    return textOf(view->topLevelItem(row)->text(column));
}

TEST_F(DetailWindowTest, CaptionIsNameThenNoteInBrackets) {
    DetailWindow named(gbk("ABC"), gbk("更新至10集"), 0);
    EXPECT_EQ(named.windowTitle(), QString::fromUtf8("ABC [更新至10集]"));
    DetailWindow empty(Text(), Text(), -1);
    EXPECT_EQ(empty.windowTitle(), QString(" []"));
}

TEST_F(DetailWindowTest, TwoPagesWithTheirListsAndAHiddenLoadingPanel) {
    usePage(Text());
    open();
    auto* tabs = window->findChild<QTabWidget*>("playListTabs");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), QString::fromUtf8("在线"));
    EXPECT_EQ(tabs->tabText(1), QString("M3U8"));
    EXPECT_EQ(tabs->widget(0)->findChild<QTreeWidget*>(), list("onlineList"));
    EXPECT_EQ(tabs->widget(1)->findChild<QTreeWidget*>(), list("m3u8List"));
    for (const char* name : {"onlineList", "m3u8List"}) {
        SCOPED_TRACE(name);
        QTreeWidget* view = list(name);
        ASSERT_EQ(view->columnCount(), 2);
        EXPECT_EQ(view->headerItem()->text(0), QString("Note"));
        EXPECT_EQ(view->headerItem()->text(1), QString("URL"));
        EXPECT_EQ(view->columnWidth(0), 100);
        EXPECT_EQ(view->columnWidth(1), 460);
        EXPECT_EQ(view->size(), QSize(583, 356));
    }
    EXPECT_EQ(panel()->geometry(), QRect(224, 172, 143, 40));
    EXPECT_EQ(window->pos(), QPoint(50, 50));
    ASSERT_TRUE(waitUntil([this] { return loaded(); }));
    EXPECT_EQ(list("onlineList")->topLevelItemCount(), 0);
}

TEST_F(DetailWindowTest, RowsAppearOneByOneOnlineListFirst) {
    std::vector<std::string> order;
    bool panelShownForRows = true;
    open();
    // detailUrl was copied when the window was created.
    detailUrl = "http://changed.example/";
    for (const char* name : {"onlineList", "m3u8List"}) {
        QObject::connect(list(name)->model(), &QAbstractItemModel::rowsInserted,
                         [&, name](const QModelIndex&, int first, int last) {
                             order.push_back(std::string(name) + " " + std::to_string(first) + "-" +
                                             std::to_string(last));
                             panelShownForRows = panelShownForRows && panel()->isVisible();
                         });
    }
    ASSERT_TRUE(waitUntil([this] { return loaded(); }));
    EXPECT_EQ(order, (std::vector<std::string>{"onlineList 0-0", "onlineList 1-1", "onlineList 2-2",
                                               "m3u8List 0-0", "m3u8List 1-1"}));
    EXPECT_TRUE(panelShownForRows);
    ASSERT_EQ(fetchedUrls().size(), 1u);
    EXPECT_EQ(fetchedUrls()[0], "http://detail.example/?m=vod-detail-id-42.html");

    QTreeWidget* online = list("onlineList");
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(cell(online, row, 0), gbk(kOnline[row].first));
        EXPECT_EQ(cell(online, row, 1), gbk(kOnline[row].second));
    }
    EXPECT_EQ(cell(list("m3u8List"), 1, 1), kM3u8[1].second);
}

TEST_F(DetailWindowTest, LoadsTheDetailPageWithTheProgramsOwnFetch) {
    setDetailPageFetcher({});  // fetchPage over the shared client
    testing::LoopbackServer site;
    site.enqueue(testing::okReply(textToUtf8(sitePage(kOnline, kM3u8)),
                                  "Content-Type: text/html; charset=utf-8\r\n"));
    createSharedObjects();
    detailUrl = site.origin() + "/?m=vod-detail-id-42.html";
    open();
    QTreeWidget* online = list("onlineList");
    QTreeWidget* m3u8 = list("m3u8List");
    EXPECT_TRUE(waitUntil([&] { return m3u8->topLevelItemCount() == 2 && panel()->isHidden(); }));
    ASSERT_EQ(site.requests().size(), 1u);
    EXPECT_EQ(site.requests()[0].substr(0, site.requests()[0].find("\r\n")),
              "POST /?m=vod-detail-id-42.html HTTP/1.1");
    ASSERT_EQ(online->topLevelItemCount(), 3);
    EXPECT_EQ(cell(online, 0, 0), gbk("第01集"));  // decoded from UTF-8 into GBK
    EXPECT_EQ(cell(m3u8, 1, 1), kM3u8[1].second);
    window.reset();
    releaseSharedObjects();
}

TEST_F(DetailWindowTest, NoSiteLeavesBothListsEmpty) {
    openAndLoad(-1);
    EXPECT_EQ(fetchedUrls().size(), 1u);
    EXPECT_EQ(list("onlineList")->topLevelItemCount(), 0);
    EXPECT_EQ(list("m3u8List")->topLevelItemCount(), 0);
}

TEST_F(DetailWindowTest, MenuOpensOnlyOnACurrentRow) {
    openAndLoad();
    QTreeWidget* online = list("onlineList");
    online->clearSelection();
    EXPECT_FALSE(rightClick(online, emptyArea(online), dismiss));
    EXPECT_EQ(menuList, 0);

    window->findChild<QTabWidget*>("playListTabs")->setCurrentIndex(1);
    QTreeWidget* m3u8 = list("m3u8List");
    EXPECT_TRUE(rightClick(m3u8, rowCentre(m3u8, 1), dismiss));
    EXPECT_EQ(menuList, 2);
    EXPECT_EQ(currentRow(*m3u8), 1);

    // A later right-click with no current row leaves menuList as it was.
    window->findChild<QTabWidget*>("playListTabs")->setCurrentIndex(0);
    EXPECT_FALSE(rightClick(online, emptyArea(online), dismiss));
    EXPECT_EQ(menuList, 2);
    EXPECT_TRUE(messages.empty());
}

TEST_F(DetailWindowTest, CopyLinkCopiesTheBareLinkOfTheListThatRaisedTheMenu) {
    playPrefix = PlayInterface::row(1).prefix;
    openAndLoad();
    QTreeWidget* online = list("onlineList");
    QTreeWidget* m3u8 = list("m3u8List");
    auto* tabs = window->findChild<QTabWidget*>("playListTabs");

    ASSERT_TRUE(rightClick(online, rowCentre(online, 0), dismiss));
    tabs->setCurrentIndex(1);
    ASSERT_TRUE(rightClick(m3u8, rowCentre(m3u8, 1), pick(0)));
    tabs->setCurrentIndex(0);
    ASSERT_TRUE(rightClick(online, rowCentre(online, 2), pick(0)));

    EXPECT_EQ(clipboard, (std::vector<Text>{kM3u8[1].second, kOnline[2].second}));
    EXPECT_EQ(messages, (std::vector<std::string>{"已复制链接 / 提示", "已复制链接 / 提示"}));
}

TEST_F(DetailWindowTest, QrWindowRequestsTheAddressOfTheListThatRaisedTheMenu) {
    playPrefix = PlayInterface::row(1).prefix;  // ends in a blank
    openAndLoad();
    QTreeWidget* online = list("onlineList");
    QTreeWidget* m3u8 = list("m3u8List");
    auto* tabs = window->findChild<QTabWidget*>("playListTabs");

    std::vector<Text> requests;
    setReadUrlHook([&](const Text& address) {
        requests.push_back(address);
        return Bytes();
    });
    int qrWindowsSeen = 0;
    auto pickQrAndClose = [&](QMenu& menu) {
        QTimer::singleShot(0, [&] {
            if (auto* qr = qobject_cast<QrWindow*>(QApplication::activeModalWidget())) {
                ++qrWindowsSeen;
                EXPECT_EQ(qr->windowTitle(), QString::fromUtf8("二维码"));
                qr->close();
            }
        });
        pick(1)(menu);
    };
    ASSERT_TRUE(rightClick(online, rowCentre(online, 0), dismiss));
    tabs->setCurrentIndex(1);
    ASSERT_TRUE(rightClick(m3u8, rowCentre(m3u8, 1), pickQrAndClose));
    tabs->setCurrentIndex(0);
    ASSERT_TRUE(rightClick(online, rowCentre(online, 0), pickQrAndClose));

    setReadUrlHook({});
    EXPECT_EQ(qrWindowsSeen, 2);
    ASSERT_EQ(requests.size(), 2u);
    // The "&" of the link is escaped so that the whole link reaches the service.
    EXPECT_EQ(requests[0],
              qrImageEndpoint() + playPrefix + "https://m.example/2/index.m3u8?a=1%26b=2");
    EXPECT_EQ(requests[1], qrImageEndpoint() + kOnline[0].second);
    EXPECT_TRUE(messages.empty());
}

TEST_F(DetailWindowTest, DoubleClickOpensTheLinkOrWarns) {
    const std::string warning = "这可能不是一个正确的网址 / 提示";
    for (int interface : {0, 1}) {
        SCOPED_TRACE(interface);
        playPrefix = PlayInterface::row(interface).prefix;
        openAndLoad();
        messages.clear();
        opened.clear();
        QTreeWidget* online = list("onlineList");
        QTreeWidget* m3u8 = list("m3u8List");
        auto* tabs = window->findChild<QTabWidget*>("playListTabs");

        doubleClick(online, rowCentre(online, 0));
        EXPECT_EQ(opened, (std::vector<Text>{kOnline[0].second}));
        EXPECT_TRUE(messages.empty());

        doubleClick(online, rowCentre(online, 1));
        EXPECT_EQ(messages, (std::vector<std::string>{warning}));
        EXPECT_EQ(opened.size(), 1u);

        // "http://" after other text passes the link test, but no browser would be given such
        // an address: the user is warned instead of nothing happening.
        doubleClick(online, rowCentre(online, 2));
        EXPECT_EQ(messages, (std::vector<std::string>{warning, warning}));
        EXPECT_EQ(opened.size(), 1u);

        tabs->setCurrentIndex(1);
        doubleClick(m3u8, rowCentre(m3u8, 0));
        ASSERT_EQ(opened.size(), 2u);
        EXPECT_EQ(opened[1], PlayInterface::row(interface).prefix + kM3u8[0].second);

        // Empty space with no current row: the empty link is no address.
        m3u8->clearSelection();
        doubleClick(m3u8, emptyArea(m3u8));
        EXPECT_EQ(messages.size(), 3u);
        EXPECT_EQ(opened.size(), 2u);
        window.reset();
    }
    EXPECT_EQ(PlayInterface::row(1).prefix.back(), ' ');
}

TEST_F(DetailWindowTest, ClosingWhileRowsAreAddedStopsTheWorker) {
    Entries many;
    for (int i = 0; i < 300; ++i) {
        many.push_back({"集", "http://o.example/x.html"});
    }
    usePage(sitePage(many, many));
    for (bool destroyAtOnce : {false, true}) {
        SCOPED_TRACE(destroyAtOnce);
        open();
        QTreeWidget* online = list("onlineList");
        ASSERT_TRUE(waitUntil([&] { return online->topLevelItemCount() >= 3; }));
        if (destroyAtOnce) {
            window.reset();
        } else {
            window->reject();
            const int rowsAtClose = online->topLevelItemCount();
            QTest::qWait(100);
            EXPECT_EQ(online->topLevelItemCount(), rowsAtClose);
            window.reset();
        }
        QTest::qWait(50);
    }
    // TearDown checks that both workers have ended, long before 600 rows x 20 ms.
}

}  // namespace
}  // namespace zentara
