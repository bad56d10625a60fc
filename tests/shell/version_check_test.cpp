// The start-up version check against a loopback manifest server: every answer the maker's server
// can give, what the user sees, and how the program ends or goes on.

#include <gtest/gtest.h>

#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <optional>

#include "http/http_client.h"
#include "json/json_document.h"
#include "platform/code_page.h"
#include "platform/window_layer.h"
#include "program_test_support.h"
#include "shell/main_window.h"
#include "shell/shared_state.h"
#include "shell/source_catalogue.h"
#include "shell/startup.h"
#include "shell/version_check.h"

namespace zentara {
namespace {

using testing::ensureWindowLayer;
using testing::LoopbackSite;
using testing::utf8Of;

constexpr const char* kManifestPath = "/video/data.json";

// What the user saw and how the program ended during one check.
struct Observed {
    std::vector<std::pair<std::string, std::string>> messages;  // UTF-8 text, title
    std::vector<Text> openedAddresses;
    std::optional<int> exitCode;
};

class VersionCheckTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ensureWindowLayer();
        setMessageBoxHook([this](const Text& text, const Text& title) {
            observed.messages.emplace_back(utf8Of(text), utf8Of(title));
        });
        setOpenUrlHook(
            [this](const Text& address) { observed.openedAddresses.push_back(address); });
        setEndProgramHook([this](int code) { observed.exitCode = code; });
    }
    void TearDown() override {
        releaseSharedObjects();
        setMessageBoxHook(nullptr);
        setOpenUrlHook(nullptr);
        setEndProgramHook(nullptr);
        searchEndpoint.clear();
        playPrefix.clear();
    }

    Text manifestAt(const LoopbackSite& site) const { return site.origin() + kManifestPath; }

    void serveManifest(const std::string& body) {
        site.answer(kManifestPath, {body, "application/json; charset=utf-8"});
    }

    LoopbackSite site;
    Observed observed;
};

TEST_F(VersionCheckTest, OwnVersionChoosesTheFirstSiteAndInterfaceAndStartsASearch) {
    serveManifest(R"({"video":[{"ver":"1.0","notice":"x","download":"http://dl.example/new"}]})");
    createSharedObjects();
    MainWindow window;
    window.show();
    QSignalSpy searches(&window, &MainWindow::searchRequested);

    checkVersionAt(window, manifestAt(site));

    EXPECT_TRUE(observed.messages.empty());
    EXPECT_TRUE(observed.openedAddresses.empty());
    EXPECT_FALSE(observed.exitCode.has_value());
    EXPECT_EQ(window.sourceLabel()->text().toStdString(), "OK资源网");
    EXPECT_EQ(searchEndpoint, SourceCatalogue::row(0).searchEndpoint);
    EXPECT_EQ(playPrefix, PlayInterface::row(0).prefix);
    EXPECT_EQ(searches.count(), 1);
    EXPECT_NE(window.loadingPicture()->movie(), nullptr);

    // The manifest is fetched like every page: POST, empty body.
    const auto requests = site.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, kManifestPath);
    EXPECT_EQ(requests[0].body, "");
}

TEST_F(VersionCheckTest, AnyOtherVersionShowsTheNoticeOpensTheDownloadAndEnds) {
    const char* manifests[] = {
        R"({"video":[{"ver":"1.00","notice":"new","download":"http://dl.example/z.zip"}]})",
        R"({"video":[{"ver":"0.9","notice":"new","download":"http://dl.example/z.zip"}]})",
        R"({"video":[{"ver":"1.0 ","notice":"new","download":"http://dl.example/z.zip"}]})",
        R"({"video":[{"ver":" 1.0","notice":"new","download":"http://dl.example/z.zip"}]})",
        R"({"video":[{"ver":"2.0","notice":"new","download":"http://dl.example/z.zip"}]})",
        // A number instead of a string reads as "1".
        R"({"video":[{"ver":1.0,"notice":"new","download":"http://dl.example/z.zip"}]})",
    };
    for (const char* manifest : manifests) {
        SCOPED_TRACE(manifest);
        observed = {};
        serveManifest(manifest);
        createSharedObjects();
        registerEndRoutine(releaseSharedObjects);
        MainWindow window;
        QSignalSpy searches(&window, &MainWindow::searchRequested);

        checkVersionAt(window, manifestAt(site));

        ASSERT_EQ(observed.messages.size(), 1u);
        EXPECT_EQ(observed.messages[0].first, "new");
        EXPECT_EQ(observed.messages[0].second, "更新");
        EXPECT_EQ(observed.openedAddresses, std::vector<Text>{"http://dl.example/z.zip"});
        EXPECT_EQ(observed.exitCode, 0);
        EXPECT_EQ(searches.count(), 0);
        EXPECT_TRUE(window.sourceLabel()->text().isEmpty());
        EXPECT_EQ(httpClient, nullptr) << "ending ran releaseSharedObjects";
    }
}

TEST_F(VersionCheckTest, NoticeLineBreakTagsOfEitherCaseBecomeCrLf) {
    serveManifest(
        R"({"video":[{"ver":"1.1","notice":"更新了<br>修复<BR>新增<Br>","download":"http://d/x"}]})");
    createSharedObjects();
    MainWindow window;
    checkVersionAt(window, manifestAt(site));
    ASSERT_EQ(observed.messages.size(), 1u);
    EXPECT_EQ(observed.messages[0].first, "更新了\r\n修复\r\n新增\r\n");
}

TEST_F(VersionCheckTest, MissingNoticeAndDownloadStillTakeTheUpdatePath) {
    serveManifest(R"({"video":[{"ver":"1.1"}]})");
    createSharedObjects();
    MainWindow window;
    checkVersionAt(window, manifestAt(site));
    ASSERT_EQ(observed.messages.size(), 1u);
    EXPECT_EQ(observed.messages[0], std::make_pair(std::string(), std::string("更新")));
    // The empty address is handed on and dropped by the browser service (not a web address).
    EXPECT_TRUE(observed.openedAddresses.empty());
    EXPECT_EQ(observed.exitCode, 0);
}

TEST_F(VersionCheckTest, NoReadableVersionReportsANetworkProblemAndEnds) {
    struct Case {
        const char* what;
        std::optional<std::string> manifest;  // none: the path is not served (404, empty body)
    };
    const Case cases[] = {
        {"empty array", R"({"video":[]})"},
        {"no ver member", R"({"video":[{"notice":"n","download":"http://d/x"}]})"},
        {"empty ver", R"({"video":[{"ver":"","notice":"n"}]})"},
        {"video not an array", R"({"video":{"ver":"1.0"}})"},
        {"not JSON", "<html>503 Service Unavailable</html>"},
        {"empty body", ""},
        {"error status", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        observed = {};
        LoopbackSite server;
        if (c.manifest) {
            server.answer(kManifestPath, {*c.manifest, "application/json"});
        }
        createSharedObjects();
        registerEndRoutine(releaseSharedObjects);
        MainWindow window;
        QSignalSpy searches(&window, &MainWindow::searchRequested);

        checkVersionAt(window, manifestAt(server));

        ASSERT_EQ(observed.messages.size(), 1u);
        EXPECT_EQ(observed.messages[0].first, "网络出现问题!");
        EXPECT_EQ(observed.messages[0].second, "提示");
        EXPECT_TRUE(observed.openedAddresses.empty());
        EXPECT_EQ(observed.exitCode, 0);
        EXPECT_EQ(searches.count(), 0);
        EXPECT_EQ(httpClient, nullptr) << "ending ran releaseSharedObjects";
        EXPECT_EQ(jsonDoc, nullptr);
    }
}

// Start-up as a whole: shared objects, the end routine, the window, the check on the event loop.
class StartUpTest : public VersionCheckTest {};

TEST_F(StartUpTest, WithoutAServerTheProgramEndsWithCodeZeroAndReleasesItsState) {
    QPointer<MainWindow> window = startMainWindow(nullptr, "http://127.0.0.1:1/video/data.json");
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    ASSERT_NE(httpClient, nullptr);
    ASSERT_NE(jsonDoc, nullptr);

    ASSERT_TRUE(testing::waitUntil([&] { return observed.exitCode.has_value(); }));
    EXPECT_EQ(observed.exitCode, 0);
    ASSERT_EQ(observed.messages.size(), 1u);
    EXPECT_EQ(observed.messages[0].first, "网络出现问题!");
    EXPECT_EQ(httpClient, nullptr);
    EXPECT_EQ(jsonDoc, nullptr);
    EXPECT_TRUE(searchEndpoint.empty());
    if (window) {
        window->close();
    }
}

TEST_F(StartUpTest, WithTheOwnVersionTheWindowRunsAndTheFirstSearchIsAsked) {
    serveManifest(R"({"video":[{"ver":"1.0","notice":"","download":""}]})");
    int searches = 0;
    QPointer<MainWindow> window = startMainWindow(
        [&](MainWindow& w) {
            QObject::connect(&w, &MainWindow::searchRequested, [&] { ++searches; });
        },
        manifestAt(site));
    ASSERT_TRUE(testing::waitUntil([&] { return searches > 0; }));
    EXPECT_EQ(searches, 1);
    EXPECT_FALSE(observed.exitCode.has_value());
    EXPECT_EQ(window->sourceLabel()->text().toStdString(), "OK资源网");
    EXPECT_NE(httpClient, nullptr);

    // Closing the window is the end of the program: the end routine releases everything.
    window->close();
    ASSERT_TRUE(testing::waitUntil([&] { return window.isNull(); }));
    endProgram(0);
    EXPECT_EQ(observed.exitCode, 0);
    EXPECT_EQ(httpClient, nullptr);
    EXPECT_TRUE(playPrefix.empty());
}

}  // namespace
}  // namespace zentara
