#pragma once

// QrWindow ("二维码"): shows the QR image that the QR image service draws for an episode link.
// The image is fetched once, while the window is created, with the window layer's URL reading.

#include <QDialog>
#include <memory>

#include "text/text.h"

namespace Ui {
class QrWindow;
}

namespace zentara {

class QrWindow : public QDialog {
    Q_OBJECT

  public:
    // requestUrl: the full request (see qrRequestUrl); empty means nothing is fetched.
    explicit QrWindow(const Text& requestUrl, QWidget* parent = nullptr);
    ~QrWindow() override;

  private:
    std::unique_ptr<Ui::QrWindow> ui_;
};

}  // namespace zentara
