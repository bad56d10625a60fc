#include "platform/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace zentara {

namespace {

constexpr char16_t kReplacementCharacter = u'\uFFFD';

// One iconv descriptor for the duration of a conversion.
class Converter {
  public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) {
            iconv_close(handle_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible. Returns the bytes written; `in`/`inLeft` advance past what
    // was consumed, and errno tells why it stopped when input remains.
    std::size_t step(const char*& in, std::size_t& inLeft, char* out, std::size_t outSize) {
        char* inPtr = const_cast<char*>(in);
        char* outPtr = out;
        std::size_t outLeft = outSize;
        iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft);
        in = inPtr;
        return outSize - outLeft;
    }

    void resetState() { iconv(handle_, nullptr, nullptr, nullptr, nullptr); }

  private:
    iconv_t handle_;
};

// Appends `count` bytes of UTF-16LE to `out` as char16_t units.
void appendUtf16Le(std::u16string& out, const char* bytes, std::size_t count) {
    for (std::size_t i = 0; i + 1 < count; i += 2) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    }
}

// Decodes `input` in `fromCode` to UTF-16. Every byte that cannot start a character becomes
// U+FFFD and is skipped, so decoding never stops early. `anyDecoded` tells whether at least one
// character other than a replacement came out.
std::u16string decodeToWide(const char* fromCode, std::string_view input, bool* anyDecoded) {
    std::u16string out;
    if (anyDecoded) {
        *anyDecoded = false;
    }
    if (input.empty()) {
        return out;
    }
    Converter converter("UTF-16LE", fromCode);
    if (!converter.valid()) {
        return out;
    }
    out.reserve(input.size());
    const char* in = input.data();
    std::size_t inLeft = input.size();
    char buffer[8192];
    while (inLeft > 0) {
        std::size_t before = inLeft;
        std::size_t written = converter.step(in, inLeft, buffer, sizeof buffer);
        int error = errno;
        appendUtf16Le(out, buffer, written);
        if (written > 0 && anyDecoded) {
            *anyDecoded = true;
        }
        if (inLeft == 0) {
            break;
        }
        if (written == 0 && inLeft == before && error == E2BIG) {
            break;  // cannot happen with an 8 KiB buffer; guards against a spin
        }
        if (error == EILSEQ || error == EINVAL) {
            out.push_back(kReplacementCharacter);
            ++in;
            --inLeft;
            converter.resetState();
        }
    }
    return out;
}

// Encodes UTF-16 to code page 936; characters the code page lacks become "?".
Text encodeFromWide(std::u16string_view units, const char* toCode, bool replaceUnmappable) {
    Text out;
    if (units.empty()) {
        return out;
    }
    Converter converter(toCode, "UTF-16LE");
    if (!converter.valid()) {
        return out;
    }
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t unit : units) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    out.reserve(units.size() * 2);
    const char* in = bytes.data();
    std::size_t inLeft = bytes.size();
    char buffer[8192];
    while (inLeft > 0) {
        std::size_t written = converter.step(in, inLeft, buffer, sizeof buffer);
        int error = errno;
        out.append(buffer, written);
        if (inLeft == 0) {
            break;
        }
        if (error == EILSEQ || error == EINVAL) {
            // Skip one character: a surrogate pair counts as one, a lone surrogate as one unit.
            std::size_t skip = 2;
            if (inLeft >= 4) {
                auto first = static_cast<char16_t>(static_cast<unsigned char>(in[0]) |
                                                   (static_cast<unsigned char>(in[1]) << 8));
                auto second = static_cast<char16_t>(static_cast<unsigned char>(in[2]) |
                                                    (static_cast<unsigned char>(in[3]) << 8));
                if (first >= 0xD800 && first <= 0xDBFF && second >= 0xDC00 && second <= 0xDFFF) {
                    skip = 4;
                }
            }
            skip = std::min(skip, inLeft);
            if (replaceUnmappable) {
                out.push_back('?');
            }
            in += skip;
            inLeft -= skip;
            converter.resetState();
        }
    }
    return out;
}

std::u16string_view untilZeroUnit(std::u16string_view units) {
    std::size_t zero = units.find(u'\0');
    return zero == std::u16string_view::npos ? units : units.substr(0, zero);
}

}  // namespace

std::u16string toWide(std::string_view text) {
    return decodeToWide("CP936", text, nullptr);
}

Text fromWide(std::u16string_view units) {
    return encodeFromWide(untilZeroUnit(units), "CP936", true);
}

Text utf8ToText(std::string_view bytes) {
    bool anyDecoded = false;
    std::u16string wide = decodeToWide("UTF-8", bytes, &anyDecoded);
    if (!anyDecoded) {
        return {};
    }
    return fromWide(wide);
}

std::u16string utf8ToWide(std::string_view utf8) {
    return decodeToWide("UTF-8", utf8, nullptr);
}

std::string wideToUtf8(std::u16string_view units) {
    return encodeFromWide(units, "UTF-8", true);
}

std::string textToUtf8(std::string_view text) {
    return wideToUtf8(toWide(text));
}

Text gbk(std::string_view utf8Literal) {
    return fromWide(utf8ToWide(utf8Literal));
}

}  // namespace zentara
