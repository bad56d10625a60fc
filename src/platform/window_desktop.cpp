// Desktop services of the window layer: message box, web browser, clipboard, and their seams.

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMessageBox>
#include <QString>
#include <QUrl>

#include <mutex>
#include <utility>

#include "platform/code_page.h"
#include "platform/window_layer.h"

namespace zentara {

namespace {

struct DesktopHooks {
    std::mutex mutex;
    MessageBoxHook messageBox;
    OpenUrlHook openUrl;
    ClipboardHook clipboard;
};

// Function-local, so that a test build may set hooks from static initialisers.
DesktopHooks& hooks() {
    static DesktopHooks instance;
    return instance;
}

template <typename Hook>
Hook currentHook(Hook DesktopHooks::*member) {
    DesktopHooks& all = hooks();
    std::lock_guard lock(all.mutex);
    return all.*member;
}

template <typename Hook>
void replaceHook(Hook DesktopHooks::*member, Hook hook) {
    DesktopHooks& all = hooks();
    std::lock_guard lock(all.mutex);
    all.*member = std::move(hook);
}

QString toQString(const Text& text) {
    return QString::fromStdU16String(toWide(untilZero(text)));
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && toLowerAscii(text.substr(0, prefix.size())) == prefix;
}

}  // namespace

void setMessageBoxHook(MessageBoxHook hook) {
    replaceHook(&DesktopHooks::messageBox, std::move(hook));
}
void setOpenUrlHook(OpenUrlHook hook) {
    replaceHook(&DesktopHooks::openUrl, std::move(hook));
}
void setClipboardHook(ClipboardHook hook) {
    replaceHook(&DesktopHooks::clipboard, std::move(hook));
}

void showMessage(const Text& text, const Text& title) {
    runOnUiThread([&] {
        if (MessageBoxHook hook = currentHook(&DesktopHooks::messageBox)) {
            hook(text, title);
            return;
        }
        if (QCoreApplication::instance() == nullptr) {
            return;
        }
        // Shown as plain text: a notice from the network is never read as markup. Line ends of
        // the CR LF form are shown as one line break.
        QString body = toQString(text);
        body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QMessageBox box(QMessageBox::NoIcon, toQString(title), body, QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    });
}

bool isWebAddress(std::string_view address) {
    const std::string_view bare = address.substr(0, address.find('\0'));
    std::size_t schemeLength = 0;
    if (startsWithIgnoringCase(bare, "http://")) {
        schemeLength = 7;
    } else if (startsWithIgnoringCase(bare, "https://")) {
        schemeLength = 8;
    } else {
        return false;
    }
    if (bare.size() == schemeLength) {
        return false;
    }
    // Control bytes have no place in an address; one that carries them is not handed on.
    for (char c : bare) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

void openUrl(const Text& address) {
    if (!isWebAddress(address)) {
        return;
    }
    runOnUiThread([&] {
        if (OpenUrlHook hook = currentHook(&DesktopHooks::openUrl)) {
            hook(address);
            return;
        }
        if (QCoreApplication::instance() == nullptr) {
            return;
        }
        const QUrl url(toQString(address), QUrl::TolerantMode);
        const QString scheme = url.scheme();
        if (url.isValid() &&
            (scheme == QLatin1String("http") || scheme == QLatin1String("https"))) {
            QDesktopServices::openUrl(url);
        }
    });
}

void copyToClipboard(const Text& text) {
    runOnUiThread([&] {
        const Text bare = untilZero(text);
        if (ClipboardHook hook = currentHook(&DesktopHooks::clipboard)) {
            hook(bare);
            return;
        }
        if (QCoreApplication::instance() == nullptr) {
            return;
        }
        QGuiApplication::clipboard()->setText(toQString(bare), QClipboard::Clipboard);
    });
}

}  // namespace zentara
