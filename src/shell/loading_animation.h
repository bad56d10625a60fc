#pragma once

// loadingAnimation: the program's busy picture, a 15 x 15 looping grey GIF of four 0.2 s frames
// (resources/loading.gif, made by tools/make_loading_gif.py), compiled into the program.

#include <QByteArray>

class QLabel;

namespace zentara {

// The GIF file's bytes.
QByteArray loadingAnimation();

// Puts loadingAnimation into a picture box and starts it; the box owns the running movie.
void showLoadingAnimation(QLabel* pictureBox);

}  // namespace zentara
