#include "shell/loading_animation.h"

#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QMovie>

// Resources of a static library are registered by hand; this must sit outside any namespace.
static void registerShellResources() {
    Q_INIT_RESOURCE(shell);
}

namespace zentara {

QByteArray loadingAnimation() {
    static const QByteArray bytes = [] {
        registerShellResources();
        QFile file(QStringLiteral(":/shell/loading.gif"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    return bytes;
}

void showLoadingAnimation(QLabel* pictureBox) {
    if (pictureBox == nullptr) {
        return;
    }
    if (QMovie* old = pictureBox->movie()) {
        pictureBox->setMovie(nullptr);
        old->deleteLater();
    }
    auto* movie = new QMovie(pictureBox);
    auto* buffer = new QBuffer(movie);
    buffer->setData(loadingAnimation());
    buffer->open(QIODevice::ReadOnly);
    movie->setFormat(QByteArray("gif"));
    movie->setDevice(buffer);
    pictureBox->setMovie(movie);
    movie->start();
}

}  // namespace zentara
