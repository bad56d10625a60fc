// The window layer on the offscreen platform: the browser filter, calls from workers reaching the
// UI thread, the event pump, ending the program once, and the real message box and clipboard.

#include "platform/window_layer.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/code_page.h"
#include "platform/run_time.h"

namespace zentara {
namespace {

class WindowLayerTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "window_layer_tests";
        static char* argv[] = {name, nullptr};
        // Widgets without a display, unless the caller chose a platform.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        startWindowLayer(argc, argv);
    }

    void TearDown() override {
        setMessageBoxHook(nullptr);
        setOpenUrlHook(nullptr);
        setClipboardHook(nullptr);
        setEndProgramHook(nullptr);
        registerEndRoutine(nullptr);
    }

    // Keeps the UI thread's event loop turning until `done` holds (or 5 s have passed).
    template <typename Predicate>
    static bool spinUntil(Predicate done) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > 5000) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }

    static bool isUiThread() { return QThread::currentThread() == qApp->thread(); }
};

TEST_F(WindowLayerTest, OnlyWebAddressesReachTheBrowser) {
    struct Case {
        std::string address;
        bool handedOver;
    };
    const std::vector<Case> cases = {
        {"http://127.0.0.1:8080/a.m3u8", true},
        {"https://example.org/video.php?url=http://x/a.m3u8", true},
        {"HTTP://EXAMPLE.ORG/", true},                      // scheme letters in any case
        {"http://host/m3u8/play.html?id= http://x", true},  // a play prefix ending in a blank
        {gbk("http://host/第01集.m3u8"), true},
        {"", false},
        {"a.m3u8", false},
        {"http://", false},  // nothing after the scheme
        {"http:/host", false},
        {"httpx://host", false},
        {" http://host", false},
        {"label http://host/a.m3u8", false},  // contains an address but is none
        {"ms-settings:display?http://x", false},
        {"javascript:alert(1)//http://", false},
        {"file:///etc/passwd", false},
        {"mailto:a@b.c", false},
        {"ftp://host/file", false},
        {"http://host/a\r\nfile:///x", false},  // control bytes never pass
        {"http://host/a\tb", false},
    };
    std::vector<Text> opened;
    setOpenUrlHook([&](const Text& address) { opened.push_back(address); });
    for (const Case& c : cases) {
        opened.clear();
        openUrl(c.address);
        EXPECT_EQ(isWebAddress(c.address), c.handedOver) << c.address;
        if (c.handedOver) {
            EXPECT_EQ(opened, std::vector<Text>{c.address}) << c.address;
        } else {
            EXPECT_TRUE(opened.empty()) << c.address;
        }
    }
}

TEST_F(WindowLayerTest, CallsFromAWorkerRunOnTheUiThreadAndWaitForIt) {
    std::atomic<bool> workerDone{false};
    bool routineRanOnUiThread = false;
    bool finishedBeforeReturn = false;
    bool messageOnUiThread = false;
    bool urlOnUiThread = false;
    Text shownText, shownTitle, openedAddress;
    setMessageBoxHook([&](const Text& text, const Text& title) {
        messageOnUiThread = isUiThread();
        shownText = text;
        shownTitle = title;
    });
    setOpenUrlHook([&](const Text& address) {
        urlOnUiThread = isUiThread();
        openedAddress = address;
    });

    startThread([&] {
        int steps = 0;
        runOnUiThread([&] {
            routineRanOnUiThread = isUiThread();
            QThread::msleep(30);  // the worker must still be waiting when this ends
            steps = 1;
        });
        finishedBeforeReturn = steps == 1;
        showMessage(gbk("已复制链接"), gbk("提示"));
        openUrl("https://example.org/x");
        workerDone = true;
    });
    ASSERT_TRUE(spinUntil([&] { return workerDone.load(); }));

    EXPECT_TRUE(routineRanOnUiThread);
    EXPECT_TRUE(finishedBeforeReturn);
    EXPECT_TRUE(messageOnUiThread);
    EXPECT_EQ(shownText, gbk("已复制链接"));
    EXPECT_EQ(shownTitle, gbk("提示"));
    EXPECT_TRUE(urlOnUiThread);
    EXPECT_EQ(openedAddress, "https://example.org/x");
}

TEST_F(WindowLayerTest, OnTheUiThreadARoutineRunsDirectly) {
    bool ran = false;
    runOnUiThread([&] { ran = isUiThread(); });
    EXPECT_TRUE(ran);
    EXPECT_TRUE(onUiThread());
    bool workerSeesUiThread = true;
    std::thread([&] { workerSeesUiThread = onUiThread(); }).join();
    EXPECT_FALSE(workerSeesUiThread);
}

TEST_F(WindowLayerTest, TheInstalledPumpHandlesPendingEventsOfTheUiThreadOnly) {
    bool handled = false;
    QMetaObject::invokeMethod(
        qApp, [&] { handled = true; }, Qt::QueuedConnection);
    std::thread([] { processPendingEvents(); }).join();  // a worker has no window events
    EXPECT_FALSE(handled);
    processPendingEvents();
    EXPECT_TRUE(handled);
}

TEST_F(WindowLayerTest, WaitingOnTheUiThreadHandlesEventsForTheWholeTime) {
    bool handled = false;
    QMetaObject::invokeMethod(
        qApp, [&] { handled = true; }, Qt::QueuedConnection);
    const auto start = std::chrono::steady_clock::now();
    waitProcessingEvents(40);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(handled);
    EXPECT_GE(elapsed, std::chrono::milliseconds(40));

    std::chrono::steady_clock::duration workerElapsed{};
    std::thread([&] {
        const auto workerStart = std::chrono::steady_clock::now();
        waitProcessingEvents(30);
        workerElapsed = std::chrono::steady_clock::now() - workerStart;
    }).join();
    EXPECT_GE(workerElapsed, std::chrono::milliseconds(30));
}

TEST_F(WindowLayerTest, EndingRunsTheEndRoutineOnceOnTheUiThread) {
    int routineRuns = 0;
    bool routineOnUiThread = false;
    std::vector<int> exitCodes;
    registerEndRoutine([&] {
        ++routineRuns;
        routineOnUiThread = isUiThread();
    });
    setEndProgramHook([&](int code) { exitCodes.push_back(code); });

    std::atomic<bool> workerDone{false};
    startThread([&] {
        endProgram(3);
        workerDone = true;
    });
    ASSERT_TRUE(spinUntil([&] { return workerDone.load(); }));
    endProgram(0);

    EXPECT_EQ(routineRuns, 1);
    EXPECT_TRUE(routineOnUiThread);
    EXPECT_EQ(exitCodes, (std::vector<int>{3, 0}));

    // A new registration arms the routine again.
    registerEndRoutine([&] { routineRuns += 10; });
    endProgram(0);
    EXPECT_EQ(routineRuns, 11);
}

TEST_F(WindowLayerTest, TheMessageBoxIsPlainWithOneOkButtonAndNoIcon) {
    QString caption, body;
    QMessageBox::Icon icon = QMessageBox::Critical;
    Qt::TextFormat format = Qt::RichText;
    int buttons = 0;
    bool modal = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        poll.stop();
        caption = box->windowTitle();
        body = box->text();
        icon = box->icon();
        format = box->textFormat();
        buttons = static_cast<int>(box->buttons().size());
        modal = box->windowModality() == Qt::ApplicationModal;
        box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    showMessage(gbk("第一行<br>\r\n<b>第二行</b>"), gbk("更新"));

    EXPECT_EQ(caption, QString::fromUtf8("更新"));
    EXPECT_EQ(body, QString::fromUtf8("第一行<br>\n<b>第二行</b>"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(buttons, 1);
    EXPECT_TRUE(modal);
}

TEST_F(WindowLayerTest, TheClipboardReceivesTheTextUpToItsFirstZeroByte) {
    copyToClipboard(gbk("第01集 http://x/a.m3u8"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("第01集 http://x/a.m3u8"));

    copyToClipboard(Text("abc\0def", 7));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("abc"));

    Text hooked;
    setClipboardHook([&](const Text& text) { hooked = text; });
    copyToClipboard(gbk("链接"));
    EXPECT_EQ(hooked, gbk("链接"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("abc"));  // hook replaced it
}

}  // namespace
}  // namespace zentara
