#include "qr_image.h"

#include <png.h>
#include <qrencode.h>

#include <memory>
#include <vector>

namespace zentara::sample {

namespace {

constexpr int quietZoneModules = 4;

void appendToString(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::string*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), length);
}

std::string encodePng(const std::vector<unsigned char>& pixels, int size) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return {};
    }
    png_infop info = png_create_info_struct(png);
    std::string out;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, &appendToString, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(size), static_cast<png_uint_32>(size), 8,
                 PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < size; ++y) {
        png_write_row(png, pixels.data() + static_cast<std::size_t>(y) * size);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

}  // namespace

std::string qrPng(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(static_cast<int>(text.size()),
                          reinterpret_cast<const unsigned char*>(text.data()), 0, QR_ECLEVEL_M),
        &QRcode_free);
    if (!code) {
        return {};
    }
    const int modules = code->width + 2 * quietZoneModules;
    const int scale = qrImageSize / modules;
    if (scale < 1) {
        return {};
    }
    const int offset = (qrImageSize - modules * scale) / 2 + quietZoneModules * scale;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(qrImageSize) * qrImageSize, 0xFF);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if ((code->data[y * code->width + x] & 1) == 0) {
                continue;
            }
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx) {
                    const int row = offset + y * scale + dy;
                    const int column = offset + x * scale + dx;
                    pixels[static_cast<std::size_t>(row) * qrImageSize + column] = 0x00;
                }
            }
        }
    }
    return encodePng(pixels, qrImageSize);
}

}  // namespace zentara::sample
