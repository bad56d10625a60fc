#include "detail/qr_window.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <string>
#include <vector>

#include "loopback_server.h"
#include "platform/code_page.h"
#include "platform/window_layer.h"
#include "shell/loading_animation.h"
#include "widget_app.h"

namespace zentara {
namespace {

QByteArray encodedImage(QSize size, const char* format) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < size.height(); y += 2) {
        for (int x = 0; x < size.width(); x += 2) {
            image.setPixel(x, y, qRgb(0, 0, 0));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

std::string bodyOf(const QByteArray& bytes) {
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The request line of a recorded request.
std::string requestLine(const std::string& request) {
    return request.substr(0, request.find("\r\n"));
}

class QrWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { testing::widgetApplication(); }
    void TearDown() override { setReadUrlHook({}); }

    // Answers every URL reading with `body` and records the addresses asked for.
    void answerWith(const QByteArray& body) {
        setReadUrlHook([this, body](const Text& address) {
            requested.push_back(address);
            return Bytes(body.begin(), body.end());
        });
    }
    static QSize pictureSize(const QrWindow& window) {
        const QLabel* picture = window.findChild<QLabel*>("qrPicture");
        return picture->pixmap().isNull() ? QSize() : picture->pixmap().size();
    }
    std::vector<Text> requested;
};

TEST_F(QrWindowTest, CaptionAndAnEmptyPictureBoxWithoutARequest) {
    answerWith(encodedImage({200, 200}, "PNG"));
    QrWindow window{Text()};
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("二维码"));
    const QLabel* picture = window.findChild<QLabel*>("qrPicture");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->geometry(), QRect(0, 0, 200, 200));
    window.show();
    EXPECT_EQ(window.pos(), QPoint(50, 50));
    EXPECT_TRUE(picture->pixmap().isNull());
    EXPECT_TRUE(requested.empty());
}

TEST_F(QrWindowTest, RequestReachesTheServiceUnencoded) {
    testing::LoopbackServer service;
    service.enqueue(testing::okReply(bodyOf(encodedImage({200, 200}, "PNG"))));
    const Text endpoint = service.origin() + "/api.php?text=";
    const Text prefix = "http://play.example/m3u8.php?url=";
    const Text link = "https://v.example/a/index.m3u8?k=1&t=2";
    QrWindow window(endpoint + prefix + link);
    ASSERT_EQ(service.requests().size(), 1u);
    // "?", "=" and "&" of the prefix and the link go out as they stand: the service sees "t" as
    // a parameter of its own.
    EXPECT_EQ(requestLine(service.requests()[0]),
              "GET /api.php?text=" + prefix + link + " HTTP/1.1");
    EXPECT_EQ(pictureSize(window), QSize(200, 200));
}

TEST_F(QrWindowTest, DecodesCommonFormatsAndFitsThemIntoTheBox) {
    // Qt writes no GIF; the program's own busy picture (15 x 15) serves as one.
    const QByteArray gif = loadingAnimation();
    ASSERT_TRUE(gif.startsWith("GIF89a") || gif.startsWith("GIF87a"));
    const struct {
        const char* what;
        QByteArray image;
        QSize shown;
    } cases[] = {
        {"PNG 200x200", encodedImage({200, 200}, "PNG"), {200, 200}},
        {"GIF 15x15", gif, {200, 200}},
        {"JPEG 300x150", encodedImage({300, 150}, "JPEG"), {200, 100}},
        {"PNG 120x240", encodedImage({120, 240}, "PNG"), {100, 200}},
        {"JPEG 400x400", encodedImage({400, 400}, "JPEG"), {200, 200}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        answerWith(c.image);
        QrWindow window("http://qr.example/api.php?text=http://v.example/1.m3u8");
        EXPECT_EQ(pictureSize(window), c.shown);
    }
    EXPECT_EQ(requested.back(), "http://qr.example/api.php?text=http://v.example/1.m3u8");
}

TEST_F(QrWindowTest, NothingShownAndNothingReportedOnFailure) {
    for (const QByteArray& body : {QByteArray("<html>busy</html>"), QByteArray()}) {
        answerWith(body);
        QrWindow window("http://qr.example/api.php?text=x");
        EXPECT_EQ(pictureSize(window), QSize()) << body.toStdString();
    }
    setReadUrlHook({});
    testing::LoopbackServer service;
    service.enqueue(testing::okReply(""));
    service.enqueue(testing::rawReply(
        testing::rawResponse(500, "Internal Server Error", "Content-Type: image/png\r\n",
                             bodyOf(encodedImage({200, 200}, "PNG")))));
    for (const char* what : {"empty answer", "error status"}) {
        QrWindow window(service.origin() + "/api.php?text=x");
        EXPECT_EQ(pictureSize(window), QSize()) << what;
    }
    QrWindow unreachable("http://127.0.0.1:" + std::to_string(testing::refusedPort()) +
                         "/api.php?text=x");
    EXPECT_EQ(pictureSize(unreachable), QSize());
}

}  // namespace
}  // namespace zentara
