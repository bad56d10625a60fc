// The keyword search on MainWindow against a loopback site: the triggers, the rows and their
// values, the guard against overlapping searches, and opening a listed title.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <optional>
#include <set>

#include "platform/code_page.h"
#include "platform/window_layer.h"
#include "program_test_support.h"
#include "search/search.h"
#include "shell/main_window.h"
#include "shell/shared_state.h"
#include "shell/source_catalogue.h"

namespace zentara {
namespace {

using namespace std::chrono_literals;
using testing::ensureWindowLayer;
using testing::LoopbackSite;
using testing::utf8Of;
using testing::waitUntil;

constexpr const char* kSearchPath = "/inc/ldg_sea.php";

struct Title {
    std::string name, type, note, last, id;
};

std::string answerOf(const std::vector<Title>& titles) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"5.1\"><list page=\"1\" "
        "pagecount=\"1\" pagesize=\"20\" recordcount=\"" +
        std::to_string(titles.size()) + "\">";
    for (const Title& t : titles) {
        xml += "<video><last>" + t.last + "</last><id>" + t.id +
               "</id><tid>1</tid><name><![CDATA[" + t.name + "]]></name><type>" + t.type +
               "</type><dt>x</dt><note><![CDATA[" + t.note + "]]></note></video>\r\n";
    }
    return xml + "</list></rss>";
}

class SearchWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ensureWindowLayer();
        createSharedObjects();
        window = new MainWindow();
        bindSearch(*window);
        window->show();
        searchEndpoint = site.origin() + kSearchPath + "?wd=";
    }
    void TearDown() override {
        EXPECT_TRUE(waitUntil([] { return !searchInProgress(); }));
        delete window.data();
        releaseSharedObjects();
    }

    void serve(const std::vector<Title>& titles, std::chrono::milliseconds delay = 0ms) {
        site.answer(kSearchPath, {answerOf(titles), "text/xml; charset=utf-8", delay});
    }
    void searchWithEnter(const char* keyword) {
        window->keywordEdit()->setText(QString::fromUtf8(keyword));
        QTest::keyClick(window->keywordEdit(), Qt::Key_Return);
    }
    bool waitIdle() {
        return waitUntil([] { return !searchInProgress(); });
    }

    std::vector<std::vector<std::string>> rows() const {
        std::vector<std::vector<std::string>> all;
        for (int r = 0; r < window->resultRowCount(); ++r) {
            all.push_back({utf8Of(window->resultCell(r, 0)), utf8Of(window->resultCell(r, 1)),
                           utf8Of(window->resultCell(r, 2)), utf8Of(window->resultCell(r, 3)),
                           std::to_string(window->resultRowValue(r))});
        }
        return all;
    }

    bool idleLooks() const {
        return window->searchButton()->isEnabled() && window->keywordEdit()->isEnabled() &&
               window->sourceCombo()->isEnabled() &&
               window->searchButton()->text() == QString::fromUtf8("搜索") &&
               window->loadingPanel()->isHidden();
    }

    LoopbackSite site;
    QPointer<MainWindow> window;
};

TEST_F(SearchWindowTest, EnterListsEveryTitleWithItsIdAsTheRowValue) {
    serve({{"三体", "科幻片", "第30集", "2024-01-02 10:00:00", "123"},
           {"Blue Sky", "动作片", "HD", "2023-12-31", "0123"},
           {"", "剧情片", "", "", "77"},
           {"No Number", "纪录片", "1080P", "2020-01-01", "x9"}});
    searchWithEnter("abc");
    ASSERT_TRUE(waitIdle());

    const std::vector<std::vector<std::string>> expected = {
        {"三体", "科幻片", "第30集", "2024-01-02 10:00:00", "123"},
        {"Blue Sky", "动作片", "HD", "2023-12-31", "123"},
        {"", "剧情片", "", "", "77"},
        {"No Number", "纪录片", "1080P", "2020-01-01", "0"}};
    EXPECT_EQ(rows(), expected);
    EXPECT_TRUE(idleLooks());

    const auto requests = site.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].body, "");
    EXPECT_EQ(requests[0].target, std::string(kSearchPath) + "?wd=abc");
}

TEST_F(SearchWindowTest, TheKeywordIsAppendedUnchanged) {
    // On the wire the client percent-encodes blanks and non-ASCII bytes (UTF-8); the search
    // itself neither trims nor escapes.
    const std::pair<const char*, std::string> cases[] = {
        {"", "?wd="},
        {" a b ", "?wd=%20a%20b%20"},
        {"三体", "?wd=%E4%B8%89%E4%BD%93"},
        {"a&b=c", "?wd=a&b=c"},
    };
    serve({});
    std::size_t count = 0;
    for (const auto& [keyword, query] : cases) {
        window->keywordEdit()->setText(QString::fromUtf8(keyword));
        QTest::mouseClick(window->searchButton(), Qt::LeftButton);
        ASSERT_TRUE(site.waitForRequests(++count));
        ASSERT_TRUE(waitIdle());
        EXPECT_EQ(site.requests().back().target, kSearchPath + query) << keyword;
    }
}

TEST_F(SearchWindowTest, RowsAppearOneAtATimeWhileTheWindowStaysLive) {
    serve(std::vector<Title>(10, {"A", "t", "n", "l", "1"}));
    searchWithEnter("x");
    std::set<int> countsSeenWhileRunning;
    ASSERT_TRUE(waitUntil([&] {
        if (searchInProgress()) {
            countsSeenWhileRunning.insert(window->resultRowCount());
        }
        return !searchInProgress();
    }));
    EXPECT_EQ(window->resultRowCount(), 10);
    // The UI thread saw the table grow step by step, not all rows at once.
    EXPECT_GE(countsSeenWhileRunning.size(), 5u);
}

TEST_F(SearchWindowTest, ExcludedTypesAreSkippedButStillPaused) {
    std::vector<Title> titles = {{"Listed", "动作片", "n", "l", "1"}};
    for (int i = 0; i < 4; ++i) {
        titles.push_back({"Hidden", "VIP视频秀", "n", "l", "2"});
    }
    titles.push_back({"Hidden too", "美女热舞写真", "n", "l", "3"});
    titles.push_back({"Blank after the type", "VIP视频秀 ", "n", "l", "4"});
    serve(titles);

    const auto started = std::chrono::steady_clock::now();
    searchWithEnter("x");
    ASSERT_TRUE(waitIdle());
    const auto took = std::chrono::steady_clock::now() - started;

    ASSERT_EQ(window->resultRowCount(), 2);
    EXPECT_EQ(utf8Of(window->resultCell(0, 0)), "Listed");
    EXPECT_EQ(utf8Of(window->resultCell(1, 0)), "Blank after the type");
    EXPECT_GE(took, 7 * 20ms);  // one pause per title, listed or not
}

TEST_F(SearchWindowTest, CapitalTagsAreFoundAndAShortIdListKeepsOnlyCompleteTitles) {
    site.answer(kSearchPath, {"<LIST><VIDEO><NAME><![CDATA[Big]]></NAME><TYPE>t</TYPE>"
                              "<NOTE><![CDATA[n]]></NOTE><LAST>l</LAST><ID>5</ID></VIDEO>"
                              "<VIDEO><NAME><![CDATA[No id]]></NAME><TYPE>t</TYPE>"
                              "<NOTE><![CDATA[n]]></NOTE><LAST>l</LAST></VIDEO></LIST>",
                              "text/xml"});
    searchWithEnter("x");
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(window->resultRowCount(), 1);
    EXPECT_EQ(utf8Of(window->resultCell(0, 0)), "Big");
    EXPECT_EQ(window->resultRowValue(0), 5);
}

TEST_F(SearchWindowTest, AnEmptyAnswerOrNoSiteClearsTheTable) {
    serve({{"A", "t", "n", "l", "1"}, {"B", "t", "n", "l", "2"}});
    searchWithEnter("a");
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(window->resultRowCount(), 2);

    serve({});
    searchWithEnter("b");
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(window->resultRowCount(), 0);

    serve({{"A", "t", "n", "l", "1"}});
    searchWithEnter("a");
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(window->resultRowCount(), 1);
    searchEndpoint = "http://127.0.0.1:1/inc/ldg_sea.php?wd=";
    searchWithEnter("c");
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(window->resultRowCount(), 0);
    EXPECT_TRUE(idleLooks());
}

TEST_F(SearchWindowTest, WhileRunningTheTriggersAreOffAndNoSecondSearchStarts) {
    serve({{"A", "t", "n", "l", "1"}}, 400ms);
    window->appendResultRow("old", "", "", "", 1);

    // Two requests at once, before the first worker has done anything: only one search.
    EXPECT_TRUE(startSearch(*window));
    EXPECT_FALSE(startSearch(*window));
    ASSERT_TRUE(site.waitForRequests(1));
    ASSERT_TRUE(waitUntil([&] { return !window->searchButton()->isEnabled(); }));

    EXPECT_FALSE(window->keywordEdit()->isEnabled());
    EXPECT_FALSE(window->sourceCombo()->isEnabled());
    EXPECT_EQ(window->searchButton()->text(), QString::fromUtf8("搜索中.."));
    EXPECT_FALSE(window->loadingPanel()->isHidden());
    EXPECT_EQ(window->resultRowCount(), 0);
    window->requestSearch();
    EXPECT_TRUE(searchInProgress());

    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(site.requests().size(), 1u);
    EXPECT_EQ(window->resultRowCount(), 1);
    EXPECT_TRUE(idleLooks());
}

TEST_F(SearchWindowTest, ChoosingASiteSearchesThereWithTheCurrentKeyword) {
    // The chosen site's search host is a fixed loopback port that a sample server of another
    // test may be serving: without the shared client the search reaches no network at all.
    releaseSharedObjects();
    window->keywordEdit()->setText("kw");
    window->sourceCombo()->setFocus();
    QTest::keyClick(window->sourceCombo(), Qt::Key_Down);
    EXPECT_TRUE(searchInProgress());
    EXPECT_EQ(searchEndpoint, SourceCatalogue::row(1).searchEndpoint);
    EXPECT_EQ(window->sourceLabel()->text(), QString::fromUtf8("33UU资源网"));
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(idleLooks());
    EXPECT_TRUE(site.requests().empty());
}

TEST_F(SearchWindowTest, ChoosingAPlayInterfaceStartsNoSearch) {
    serve({{"A", "t", "n", "l", "1"}});
    searchWithEnter("a");
    ASSERT_TRUE(waitIdle());

    window->tabControl()->setCurrentIndex(1);
    window->playInterfaceCombo()->setFocus();
    QTest::keyClick(window->playInterfaceCombo(), Qt::Key_Down);
    EXPECT_EQ(playPrefix, PlayInterface::row(1).prefix);
    EXPECT_FALSE(searchInProgress());
    testing::processEventsFor(100ms);
    EXPECT_EQ(site.requests().size(), 1u);
    EXPECT_EQ(window->resultRowCount(), 1);
}

// Opens the title under the selection by double-clicking its row (or an empty spot) and reports
// the caption of the modal window that opened, if any.
class OpenTitleTest : public SearchWindowTest {
  protected:
    std::optional<std::string> doubleClickAndCloseDialog(QPoint where) {
        std::optional<std::string> caption;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                caption = modal->windowTitle().toStdString();
                modal->close();
            }
        });
        poll.start(10);
        // A real double-click: the first press selects, then the double-click follows.
        QTest::mouseClick(window->resultList()->viewport(), Qt::LeftButton, {}, where);
        QTest::mouseDClick(window->resultList()->viewport(), Qt::LeftButton, {}, where);
        testing::processEventsFor(50ms);
        return caption;
    }
    QPoint rowPoint(int row) const {
        return window->resultList()->visualItemRect(window->resultList()->item(row, 0)).center();
    }
};

TEST_F(OpenTitleTest, DoubleClickWithoutSelectionOrOnValueZeroDoesNothing) {
    window->appendResultRow("zero", "t", "n", "l", 0);
    detailUrl = "unchanged";

    // Below the last row: nothing gets selected.
    EXPECT_FALSE(doubleClickAndCloseDialog({20, window->resultList()->viewport()->height() - 5}));
    EXPECT_EQ(window->currentResultRow(), -1);
    EXPECT_EQ(detailUrl, "unchanged");

    EXPECT_FALSE(doubleClickAndCloseDialog(rowPoint(0)));
    EXPECT_EQ(window->currentResultRow(), 0);
    EXPECT_EQ(detailUrl, "unchanged");
}

TEST_F(OpenTitleTest, DoubleClickOpensTheDetailWindowOfTheChosenSite) {
    serve({{"三体", "科幻片", "第30集", "l", "0123"}, {"B", "t", "HD", "l", "9"}});
    searchWithEnter("x");
    ASSERT_TRUE(waitIdle());
    window->sourceCombo()->setCurrentIndex(2);  // the site whose detail pages live elsewhere
    // DetailWindow loads from the site's fixed detail port; keep that off the network.
    releaseSharedObjects();

    const auto caption = doubleClickAndCloseDialog(rowPoint(0));
    ASSERT_TRUE(caption.has_value());
    EXPECT_EQ(*caption, "三体 [第30集]");
    EXPECT_EQ(detailUrl, SourceCatalogue::row(2).detailHost + "/?m=vod-detail-id-123.html");
    EXPECT_EQ(window->currentResultRow(), 0);
}

TEST_F(SearchWindowTest, ClosingTheWindowDuringASearchEndsItQuietly) {
    std::vector<Title> many(30, {"A", "t", "n", "l", "1"});
    serve(many, 200ms);
    searchWithEnter("x");
    ASSERT_TRUE(site.waitForRequests(1));
    window->close();
    delete window.data();
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitIdle());
    // The worker stops at its next step instead of pausing through all 30 titles.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 30 * 20ms + 200ms);
}

TEST_F(SearchWindowTest, EndingTheProgramDuringAFetchTakesWellUnderASecond) {
    serve({{"A", "t", "n", "l", "1"}}, 5s);
    std::optional<int> exitCode;
    setEndProgramHook([&](int code) { exitCode = code; });
    registerEndRoutine(releaseSharedObjects);
    searchWithEnter("x");
    ASSERT_TRUE(site.waitForRequests(1));

    // What closing MainWindow does: the window goes, then the program ends.
    const auto started = std::chrono::steady_clock::now();
    delete window.data();
    endProgram(0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(httpClient, nullptr);

    // The worker's transfer was aborted: it comes back at once and drops its updates.
    EXPECT_TRUE(waitUntil([] { return !searchInProgress(); }, 2s));
    setEndProgramHook(nullptr);
}

}  // namespace
}  // namespace zentara
