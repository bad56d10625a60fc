#include "detail/qr_window.h"

#include <QPixmap>

#include "platform/window_layer.h"
#include "ui_qr_window.h"

namespace zentara {

namespace {
const QPoint kWindowPlace(50, 50);
}  // namespace

QrWindow::QrWindow(const Text& requestUrl, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::QrWindow>()) {
    ui_->setupUi(this);
    // The window's own place on the screen; without this a dialog is centred on its owner.
    move(kWindowPlace);
    if (requestUrl.empty()) {
        return;
    }
    const Bytes image = readUrl(requestUrl);
    QPixmap picture;
    if (image.empty() || !picture.loadFromData(image.data(), static_cast<uint>(image.size()))) {
        return;  // no image: the picture box stays empty, and nothing is reported
    }
    const QSize box = ui_->qrPicture->size();
    if (picture.size() != box) {
        // Enlarging keeps the modules sharp-edged; shrinking smooths so that no line drops out.
        const bool enlarging = picture.width() < box.width() && picture.height() < box.height();
        picture = picture.scaled(box, Qt::KeepAspectRatio,
                                 enlarging ? Qt::FastTransformation : Qt::SmoothTransformation);
    }
    ui_->qrPicture->setPixmap(picture);
}

QrWindow::~QrWindow() = default;

}  // namespace zentara
