#include "detail/qr_window.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

// A stand-in QR image service on a loopback port: answers /api.php with the body set by the
// test and records each request target exactly as received.
class QrService {
  public:
    QrService() {
        server_.Get("/api.php", [this](const httplib::Request& request, httplib::Response& reply) {
            std::lock_guard lock(mutex_);
            targets_.push_back(request.target);
            reply.status = status_;
            reply.set_content(body_, "image/png");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~QrService() {
        server_.stop();
        thread_.join();
    }
    void answer(const QByteArray& body, int status = 200) {
        std::lock_guard lock(mutex_);
        body_.assign(body.constData(), static_cast<std::size_t>(body.size()));
        status_ = status;
    }
    std::vector<std::string> targets() {
        std::lock_guard lock(mutex_);
        return targets_;
    }
    Text endpoint() const { return "http://127.0.0.1:" + std::to_string(port_) + "/api.php?text="; }

  private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex mutex_;
    std::string body_;
    int status_ = 200;
    std::vector<std::string> targets_;
};

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
    EXPECT_TRUE(picture->pixmap().isNull());
    EXPECT_TRUE(requested.empty());
}

TEST_F(QrWindowTest, RequestReachesTheServiceUnencoded) {
    QrService service;
    service.answer(encodedImage({200, 200}, "PNG"));
    const Text link = "http://v.example/a/index.m3u8&k=1";
    QrWindow window(service.endpoint() + link);
    ASSERT_EQ(service.targets().size(), 1u);
    // The "&" and "=" of the link are not encoded: the service sees "k" as a parameter of its own.
    EXPECT_EQ(service.targets()[0], "/api.php?text=" + link);
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
    QrService service;
    service.answer(encodedImage({200, 200}, "PNG"), 500);
    QrWindow errorStatus(service.endpoint() + "x");
    EXPECT_EQ(pictureSize(errorStatus), QSize());
    QrWindow unreachable("http://127.0.0.1:1/api.php?text=x");
    EXPECT_EQ(pictureSize(unreachable), QSize());
}

}  // namespace
}  // namespace zentara
