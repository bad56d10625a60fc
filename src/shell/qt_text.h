#pragma once

// Text (code page 936) to and from the QString of a control.

#include <QString>

#include "platform/code_page.h"

namespace zentara {

inline QString qtString(const Text& text) {
    return QString::fromStdU16String(toWide(text));
}

inline Text textOf(const QString& text) {
    return fromWide(text.toStdU16String());
}

}  // namespace zentara
