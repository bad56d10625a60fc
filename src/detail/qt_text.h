#pragma once

// Text (GBK) <-> QString for the detail windows' controls.

#include <QString>

#include "platform/code_page.h"

namespace zentara {

inline QString toQString(const Text& text) {
    return QString::fromStdU16String(toWide(text));
}

inline Text fromQString(const QString& text) {
    return fromWide(text.toStdU16String());
}

}  // namespace zentara
