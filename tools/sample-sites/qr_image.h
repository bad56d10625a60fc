#pragma once

// The QR image service: a PNG of the QR code of a text, drawn with libqrencode.

#include <string>

namespace zentara::sample {

inline constexpr int qrImageSize = 200;

// A 200 x 200 greyscale PNG (black modules on white, with a quiet zone) of the QR code of `text`;
// empty when the text cannot be encoded (empty, or too long for a QR code).
std::string qrPng(const std::string& text);

}  // namespace zentara::sample
