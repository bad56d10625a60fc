// MainWindow as the user meets it: layout, texts, the result list as a report list, and which
// user actions raise which events.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "platform/code_page.h"
#include "platform/window_layer.h"
#include "program_test_support.h"
#include "service_hosts.h"
#include "shell/loading_animation.h"
#include "shell/main_window.h"
#include "shell/shared_state.h"

namespace zentara {
namespace {

using testing::ensureWindowLayer;
using testing::utf8Of;

class MainWindowTest : public ::testing::Test {
  protected:
    testing::WindowLayerUp windowLayer;
    MainWindow window;
};

QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

TEST_F(MainWindowTest, TitleAndPages) {
    EXPECT_EQ(window.windowTitle(), q("Zentara  ver:1.0"));
    QTabWidget* tabs = window.tabControl();
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), q("影视搜索"));
    EXPECT_EQ(tabs->tabText(1), q("设置"));
    EXPECT_EQ(tabs->tabText(2), q("关于"));
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(tabs->pos(), QPoint(-3, -3));
    EXPECT_EQ(tabs->width(), 557);
    // The page area below the tab bar keeps the full 462 - 3 pixels the controls are laid out in.
    EXPECT_EQ(window.height() - tabs->tabBar()->sizeHint().height(), 459);
}

TEST_F(MainWindowTest, ControlsStandWhereTheLayoutPutsThem) {
    struct Place {
        const char* name;
        QRect rect;
    };
    const Place places[] = {
        {"keywordEdit", {24, 34, 169, 26}},       {"searchButton", {207, 34, 66, 27}},
        {"sourceCaption", {305, 38, 32, 24}},     {"sourceCombo", {346, 37, 63, 25}},
        {"sourceLabel", {417, 38, 104, 24}},      {"resultList", {7, 70, 543, 387}},
        {"loadingPanel", {208, 212, 143, 40}},    {"loadingPicture", {7, 4, 32, 32}},
        {"loadingText", {50, 8, 85, 24}},         {"builtInInterfaceRadio", {15, 52, 92, 24}},
        {"playInterfaceCombo", {94, 51, 96, 25}}, {"aboutIntro", {41, 50, 215, 40}},
        {"aboutInvite", {23, 83, 251, 27}},       {"makerLine", {8, 407, 355, 24}},
        {"homePageLine", {8, 428, 163, 24}},
    };
    for (const Place& place : places) {
        auto* widget = window.findChild<QWidget*>(QString::fromLatin1(place.name));
        ASSERT_NE(widget, nullptr) << place.name;
        EXPECT_EQ(widget->geometry(), place.rect) << place.name;
    }
    EXPECT_EQ(window.keywordEdit()->parentWidget()->objectName(), q("searchPage"));
    EXPECT_EQ(window.playInterfaceCombo()->parentWidget()->objectName(), q("settingsPage"));
    EXPECT_EQ(window.loadingPicture()->parentWidget(), window.loadingPanel());
}

TEST_F(MainWindowTest, SearchPageAtStart) {
    EXPECT_TRUE(window.keywordEdit()->text().isEmpty());
    EXPECT_EQ(window.searchButton()->text(), q("GO"));
    EXPECT_EQ(window.findChild<QLabel*>("sourceCaption")->text(), q("接口："));
    EXPECT_TRUE(window.sourceLabel()->text().isEmpty());
    EXPECT_EQ(window.findChild<QLabel*>("loadingText")->text(), q("加载数据中..."));

    QComboBox* sources = window.sourceCombo();
    EXPECT_FALSE(sources->isEditable());
    ASSERT_EQ(sources->count(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(sources->itemText(i), q("接口") + QString::number(i + 1));
    }
    EXPECT_EQ(sources->currentIndex(), 0);

    // The panel is visible (within its page) and disabled from the start.
    EXPECT_TRUE(window.loadingPanel()->isVisibleTo(window.loadingPanel()->parentWidget()));
    EXPECT_FALSE(window.loadingPanel()->isEnabled());
}

TEST_F(MainWindowTest, SettingsPageAtStart) {
    EXPECT_EQ(window.findChild<QRadioButton*>("builtInInterfaceRadio")->text(), q("内置接口："));
    QComboBox* interfaces = window.playInterfaceCombo();
    EXPECT_FALSE(interfaces->isEditable());
    ASSERT_EQ(interfaces->count(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(interfaces->itemText(i), q("M3U8接口") + QString::number(i + 1));
    }
    EXPECT_EQ(interfaces->currentIndex(), 0);
}

TEST_F(MainWindowTest, ResultListIsASingleRowReportList) {
    QTableWidget* list = window.resultList();
    ASSERT_EQ(list->columnCount(), 4);
    struct Column {
        const char* title;
        int width;
        Qt::Alignment alignment;
    };
    const Column columns[] = {{"Name", 150, Qt::AlignLeft | Qt::AlignVCenter},
                              {"Type", 70, Qt::AlignCenter},
                              {"Note", 150, Qt::AlignCenter},
                              {"Time", 150, Qt::AlignCenter}};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(list->horizontalHeaderItem(c)->text(), q(columns[c].title));
        EXPECT_EQ(list->columnWidth(c), columns[c].width);
        EXPECT_EQ(Qt::Alignment(list->horizontalHeaderItem(c)->textAlignment()),
                  columns[c].alignment);
    }
    EXPECT_FALSE(list->horizontalHeader()->isHidden());
    EXPECT_FALSE(list->verticalHeader()->isVisibleTo(list));
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_TRUE(list->showGrid());
    EXPECT_FALSE(list->isSortingEnabled());
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(list->rowCount(), 0);
}

TEST_F(MainWindowTest, RowsKeepTheirOrderTextsAndValues) {
    static const Text name = gbk("三体");
    window.appendResultRow("Zeta", "b", "c", "d", 7);
    window.appendResultRow(name, gbk("科幻片"), gbk("第30集"), "2024-01-02", -3);
    window.appendResultRow("Alpha", "", "", "", 0);

    ASSERT_EQ(window.resultRowCount(), 3);
    EXPECT_EQ(window.resultCell(0, MainWindow::NameColumn), "Zeta");
    EXPECT_EQ(window.resultCell(1, MainWindow::NameColumn), name);
    EXPECT_EQ(utf8Of(window.resultCell(1, MainWindow::TypeColumn)), "科幻片");
    EXPECT_EQ(utf8Of(window.resultCell(1, MainWindow::NoteColumn)), "第30集");
    EXPECT_EQ(window.resultCell(1, MainWindow::TimeColumn), "2024-01-02");
    EXPECT_EQ(window.resultRowValue(0), 7);
    EXPECT_EQ(window.resultRowValue(1), -3);
    EXPECT_EQ(window.resultRowValue(2), 0);
    EXPECT_EQ(window.resultList()->item(1, 2)->textAlignment(), int(Qt::AlignCenter));

    // Rows and cells that do not exist read as empty and 0.
    EXPECT_EQ(window.resultCell(3, 0), "");
    EXPECT_EQ(window.resultCell(0, 4), "");
    EXPECT_EQ(window.resultCell(-1, 0), "");
    EXPECT_EQ(window.resultRowValue(9), 0);

    EXPECT_EQ(window.currentResultRow(), -1);
    window.resultList()->selectRow(1);
    EXPECT_EQ(window.currentResultRow(), 1);

    window.deleteAllResultRows();
    EXPECT_EQ(window.resultRowCount(), 0);
    EXPECT_EQ(window.currentResultRow(), -1);
}

TEST_F(MainWindowTest, EnterAndTheButtonAskForASearchOtherKeysDoNot) {
    window.show();
    QSignalSpy searches(&window, &MainWindow::searchRequested);

    struct KeyCase {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int searchesAfter;
    };
    const KeyCase cases[] = {
        {Qt::Key_A, Qt::NoModifier, 0},         {Qt::Key_Space, Qt::NoModifier, 0},
        {Qt::Key_Return, Qt::NoModifier, 1},    {Qt::Key_Enter, Qt::KeypadModifier, 2},
        {Qt::Key_Return, Qt::ShiftModifier, 3}, {Qt::Key_Return, Qt::ControlModifier, 4},
        {Qt::Key_Tab, Qt::NoModifier, 4},
    };
    for (const KeyCase& c : cases) {
        QTest::keyClick(window.keywordEdit(), c.key, c.modifiers);
        EXPECT_EQ(searches.count(), c.searchesAfter) << "key " << c.key;
    }

    QTest::mouseClick(window.searchButton(), Qt::LeftButton);
    EXPECT_EQ(searches.count(), 5);
}

TEST_F(MainWindowTest, DoubleClickAnywhereInTheListAsksToOpenATitle) {
    window.show();
    window.appendResultRow("a", "b", "c", "d", 1);
    QSignalSpy opens(&window, &MainWindow::titleOpenRequested);

    QWidget* viewport = window.resultList()->viewport();
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(20, 5));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(20, viewport->height() - 5));
    EXPECT_EQ(opens.count(), 2);
}

TEST_F(MainWindowTest, AboutPageNamesTheSitesAndOpensTheirHomes) {
    const char* labels[] = {"OK资源网：",    "33UU资源网：", "永久资源网：", "极速云资源网：",
                            "131zy资源网：", "最大资源网：", "最快资源网：", "酷酷资源网："};
    const int rows[] = {120, 151, 182, 213, 244, 275, 306, 339};

    std::vector<Text> opened;
    setOpenUrlHook([&](const Text& address) { opened.push_back(address); });
    window.show();
    window.tabControl()->setCurrentIndex(2);

    EXPECT_EQ(window.findChild<QLabel*>("aboutIntro")->text(), q("资源都是通过以下资源采集网获取"));
    EXPECT_EQ(window.findChild<QLabel*>("aboutInvite")->text(),
              q("(如果您有优质的资源网可以联系我加入软件中)"));
    EXPECT_FALSE(window.findChild<QLabel*>("makerLine")->text().isEmpty());

    for (int i = 0; i < 8; ++i) {
        auto* label = window.findChild<QLabel*>(QStringLiteral("siteLabel%1").arg(i + 1));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), q(labels[i]));
        EXPECT_EQ(label->geometry().right() + 1, 100);
        EXPECT_EQ(label->geometry().top(), rows[i]);
        EXPECT_EQ(label->height(), 24);

        QLabel* link = window.siteLink(i);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->geometry(), QRect(110, rows[i], 157, 24));
        const QString home =
            QString::fromUtf8(hosts::siteHome[i].data(), int(hosts::siteHome[i].size()));
        EXPECT_TRUE(link->text().contains(">" + home + "<")) << link->text().toStdString();

        // Clicking the link hands the site's home address to the browser.
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(6, link->height() / 2));
        ASSERT_EQ(opened.size(), std::size_t(i + 1));
        EXPECT_EQ(opened.back(), Text(hosts::siteHome[i]));
    }

    // The second closing line is the maker's home page, a link as well.
    QLabel* homePage = window.findChild<QLabel*>("homePageLine");
    QTest::mouseClick(homePage, Qt::LeftButton, {}, QPoint(6, homePage->height() / 2));
    ASSERT_EQ(opened.size(), 9u);
    EXPECT_EQ(opened.back(), Text(hosts::manifest));
    setOpenUrlHook(nullptr);
}

TEST(LoadingAnimationTest, IsAFifteenPixelLoopingGreyGifOfFourFramesOfAFifthSecond) {
    ensureWindowLayer();
    QByteArray bytes = loadingAnimation();
    ASSERT_FALSE(bytes.isEmpty()) << "the resource is compiled into the program";
    QBuffer buffer(&bytes);
    QMovie movie(&buffer, "gif");
    ASSERT_TRUE(movie.isValid());
    EXPECT_EQ(movie.frameCount(), 4);
    EXPECT_EQ(movie.loopCount(), -1);  // without end

    // Frame delays come from the image reader: QMovie's own figure is shortened by the time the
    // frame took to decode.
    QBuffer frames(&bytes);
    QImageReader reader(&frames, "gif");
    for (int frame = 0; frame < 4; ++frame) {
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << frame;
        EXPECT_EQ(reader.nextImageDelay(), 200) << frame;  // the delay after the frame just read
        EXPECT_EQ(image.size(), QSize(15, 15));
        for (int y = 0; y < 15; ++y) {
            for (int x = 0; x < 15; ++x) {
                const QColor pixel = image.pixelColor(x, y);
                EXPECT_TRUE(pixel.alpha() == 0 ||
                            (pixel.red() == pixel.green() && pixel.green() == pixel.blue()))
                    << "frame " << frame << " at " << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace zentara
