// The site and play-interface tables, and what choosing an entry does.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "platform/code_page.h"
#include "program_test_support.h"
#include "service_hosts.h"
#include "shell/main_window.h"
#include "shell/shared_state.h"
#include "shell/source_catalogue.h"

namespace zentara {
namespace {

using testing::ensureWindowLayer;
using testing::utf8Of;

struct SiteCase {
    const char* entry;
    const char* name;
    const char* searchPath;
    const char* aboutLabel;
};

const SiteCase kSites[] = {
    {"接口1", "OK资源网", "/inc/ldg_sea.php?wd=", "OK资源网："},
    {"接口2", "33UU资源网", "/inc/seacmsapi.php?wd=", "33UU资源网："},
    {"接口3", "永久资源网", "/inc/seacmsapi.php?wd=", "永久资源网："},
    {"接口4", "极速云资源网", "/inc/seacmsapi.php?wd=", "极速云资源网："},
    {"接口5", "131资源网", "/inc/seacmsapi.php?wd=", "131zy资源网："},
    {"接口6", "最大资源网", "/inc/ldg_sea.php?wd=", "最大资源网："},
    {"接口7", "最快资源网", "/inc/seacmsapi.php?wd=", "最快资源网："},
    {"接口8", "酷酷资源网", "/inc/api.php?wd=", "酷酷资源网："},
};

const char* const kPlayPaths[] = {
    "/video.php?url=", "/m3u8/play.html?id= ", "/m3u8.html?url=", "/m3u8.php?url=",
    "/m3u8.php?url=",  "/m3u8.html?url=",      "/m3u8.php?url=",  "/605m3u8.php?url="};

TEST(SourceCatalogueTest, EveryRowJoinsItsConfiguredOriginWithItsPath) {
    for (int k = 0; k < SourceCatalogue::kRowCount; ++k) {
        const SourceSite& site = SourceCatalogue::row(k);
        EXPECT_EQ(utf8Of(site.entry), kSites[k].entry);
        EXPECT_EQ(utf8Of(site.name), kSites[k].name);
        EXPECT_EQ(site.searchEndpoint, Text(hosts::siteSearch[k]) + kSites[k].searchPath);
        EXPECT_EQ(site.detailHost, Text(hosts::siteDetail[k]));
        EXPECT_EQ(site.homeAddress, Text(hosts::siteHome[k]));
        EXPECT_EQ(utf8Of(site.aboutLabel), kSites[k].aboutLabel);
    }
}

TEST(SourceCatalogueTest, DetailPageIsBuiltFromTheIdAsAnInteger) {
    struct Case {
        int site;
        std::int32_t id;
        std::string expected;  // after the detail origin
    };
    const Case cases[] = {
        {0, 123, "/?m=vod-detail-id-123.html"},
        {2, 45678, "/?m=vod-detail-id-45678.html"},
        {7, 2147483647, "/?m=vod-detail-id-2147483647.html"},
        {4, -5, "/?m=vod-detail-id--5.html"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SourceCatalogue::detailPageUrl(c.site, c.id),
                  Text(hosts::siteDetail[c.site]) + c.expected);
    }
    EXPECT_EQ(SourceCatalogue::detailPageUrl(-1, 1), "");
    EXPECT_EQ(SourceCatalogue::detailPageUrl(8, 1), "");
}

TEST(SourceCatalogueTest, PlayInterfacesJoinOriginAndPathAndTheSecondEndsWithABlank) {
    for (int k = 0; k < PlayInterface::kRowCount; ++k) {
        EXPECT_EQ(utf8Of(PlayInterface::row(k).entry), "M3U8接口" + std::to_string(k + 1));
        EXPECT_EQ(PlayInterface::row(k).prefix, Text(hosts::play[k]) + kPlayPaths[k]);
    }
    EXPECT_EQ(PlayInterface::row(1).prefix.back(), ' ');
    EXPECT_EQ(PlayInterface::row(1).prefix + "http://x/a.m3u8",
              Text(hosts::play[1]) + "/m3u8/play.html?id= http://x/a.m3u8");
}

class ChoiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.show();
        searchEndpoint.clear();
        playPrefix.clear();
    }
    void TearDown() override {
        searchEndpoint.clear();
        playPrefix.clear();
    }
    testing::WindowLayerUp windowLayer;
    MainWindow window;
};

TEST_F(ChoiceTest, ChoosingASiteSetsEndpointAndLabelAndAsksForASearch) {
    QSignalSpy searches(&window, &MainWindow::searchRequested);
    for (int k = 0; k < SourceCatalogue::kRowCount; ++k) {
        window.sourceCombo()->setCurrentIndex(k);
        chooseSource(window);
        EXPECT_EQ(searchEndpoint, SourceCatalogue::row(k).searchEndpoint);
        EXPECT_EQ(window.sourceLabel()->text().toStdString(), kSites[k].name);
        EXPECT_EQ(searches.count(), k + 1);
    }
}

TEST_F(ChoiceTest, TheUsersChoiceInTheListRunsTheHandler) {
    QSignalSpy searches(&window, &MainWindow::searchRequested);
    window.sourceCombo()->setFocus();
    QTest::keyClick(window.sourceCombo(), Qt::Key_Down);
    ASSERT_EQ(window.sourceCombo()->currentIndex(), 1);
    EXPECT_EQ(searchEndpoint, SourceCatalogue::row(1).searchEndpoint);
    EXPECT_EQ(window.sourceLabel()->text().toStdString(), "33UU资源网");
    EXPECT_EQ(searches.count(), 1);

    // Setting the entry from code is not a choice of the user.
    window.sourceCombo()->setCurrentIndex(3);
    EXPECT_EQ(searches.count(), 1);
    EXPECT_EQ(searchEndpoint, SourceCatalogue::row(1).searchEndpoint);
}

TEST_F(ChoiceTest, ChoosingAPlayInterfaceSetsOnlyThePrefix) {
    window.appendResultRow("a", "b", "c", "d", 1);
    QSignalSpy searches(&window, &MainWindow::searchRequested);
    const QString label = window.sourceLabel()->text();

    for (int k = PlayInterface::kRowCount - 1; k >= 0; --k) {
        window.playInterfaceCombo()->setCurrentIndex(k);
        choosePlayInterface(window);
        EXPECT_EQ(playPrefix, PlayInterface::row(k).prefix);
    }
    window.tabControl()->setCurrentIndex(1);
    window.playInterfaceCombo()->setFocus();
    QTest::keyClick(window.playInterfaceCombo(), Qt::Key_Down);
    EXPECT_EQ(playPrefix, PlayInterface::row(1).prefix);

    EXPECT_EQ(searches.count(), 0);
    EXPECT_TRUE(searchEndpoint.empty());
    EXPECT_EQ(window.sourceLabel()->text(), label);
    EXPECT_EQ(window.resultRowCount(), 1);
}

}  // namespace
}  // namespace zentara
