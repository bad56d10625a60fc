#include "detail/detail_window.h"

#include <gtest/gtest.h>

#include <QFrame>
#include <QHeaderView>
#include <QTabWidget>
#include <QTreeWidget>

#include "platform/code_page.h"
#include "widget_app.h"

namespace zentara {
namespace {

class DetailWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { testing::widgetApplication(); }
};

TEST_F(DetailWindowTest, CaptionIsNameThenNoteInBrackets) {
    DetailWindow window(gbk("ABC"), gbk("更新至10集"), 0);
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("ABC [更新至10集]"));

    DetailWindow empty(Text(), Text(), -1);
    EXPECT_EQ(empty.windowTitle(), QString(" []"));
}

TEST_F(DetailWindowTest, TwoPagesWithEmptyListsAndHiddenLoadingPanel) {
    DetailWindow window(gbk("A"), gbk("B"), 0);
    auto* tabs = window.findChild<QTabWidget*>("playListTabs");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), QString::fromUtf8("在线"));
    EXPECT_EQ(tabs->tabText(1), QString("M3U8"));

    for (const char* name : {"onlineList", "m3u8List"}) {
        SCOPED_TRACE(name);
        auto* list = window.findChild<QTreeWidget*>(name);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->topLevelItemCount(), 0);
        ASSERT_EQ(list->columnCount(), 2);
        EXPECT_EQ(list->headerItem()->text(0), QString("Note"));
        EXPECT_EQ(list->headerItem()->text(1), QString("URL"));
        EXPECT_EQ(list->columnWidth(0), 100);
        EXPECT_EQ(list->columnWidth(1), 460);
    }
    auto* panel = window.findChild<QFrame*>("loadingPanel");
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isHidden());
}

}  // namespace
}  // namespace zentara
