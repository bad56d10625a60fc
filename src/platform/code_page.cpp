#include "platform/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>

namespace zentara {

namespace {

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

    // Converts as much as fits; advances `in`/`inLeft` past what was consumed. Returns the bytes
    // written and leaves errno telling why it stopped when input remains.
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

// How many input bytes a failed conversion step skips, and whether they held a well-formed
// character (one the target encoding lacks) rather than undecodable bytes.
struct Skip {
    std::size_t bytes;
    bool wellFormed;
};

// GBK input: an undecodable byte is skipped on its own.
Skip skipGbk(std::string_view) {
    return {1, false};
}

// UTF-8 input: a well-formed sequence the target lacks is skipped whole, anything else byte by
// byte.
Skip skipUtf8(std::string_view rest) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(rest[i]); };
    unsigned char lead = byte(0);
    std::size_t length = lead < 0x80                    ? 1
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                         : lead >= 0xE0                 ? 3
                         : lead >= 0xC2 && lead <= 0xDF ? 2
                                                        : 0;
    if (length == 0 || length > rest.size()) {
        return {1, false};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return {1, false};
        }
    }
    return {length, true};
}

// UTF-16LE input: a surrogate pair is one character, a lone surrogate one unit.
Skip skipUtf16(std::string_view rest) {
    auto unit = [&](std::size_t i) {
        return static_cast<unsigned>(static_cast<unsigned char>(rest[i]) |
                                     (static_cast<unsigned char>(rest[i + 1]) << 8));
    };
    if (rest.size() < 2) {
        return {rest.size(), false};
    }
    unsigned first = unit(0);
    if (first >= 0xD800 && first <= 0xDBFF && rest.size() >= 4) {
        unsigned second = unit(2);
        if (second >= 0xDC00 && second <= 0xDFFF) {
            return {4, true};
        }
    }
    return {2, first < 0xD800 || first > 0xDFFF};
}

struct Transcoded {
    std::string bytes;
    bool anyCharacter = false;  // at least one well-formed character was read
};

// Converts `input` between two encodings and never stops early: whatever cannot be converted is
// written as `replacement` and skipped by the `skip` rule of the input encoding.
Transcoded transcode(const char* to, const char* from, std::string_view input,
                     std::string_view replacement, Skip (*skip)(std::string_view)) {
    Transcoded result;
    if (input.empty()) {
        return result;
    }
    Converter converter(to, from);
    if (!converter.valid()) {
        return result;
    }
    result.bytes.reserve(input.size() + input.size() / 2);
    const char* in = input.data();
    std::size_t inLeft = input.size();
    char buffer[16384];
    while (inLeft > 0) {
        std::size_t written = converter.step(in, inLeft, buffer, sizeof buffer);
        int error = errno;
        if (written > 0) {
            result.bytes.append(buffer, written);
            result.anyCharacter = true;
        }
        if (inLeft == 0 || error == E2BIG) {
            continue;
        }
        if (error != EILSEQ && error != EINVAL) {
            break;
        }
        Skip skipped = skip(std::string_view(in, inLeft));
        result.anyCharacter = result.anyCharacter || skipped.wellFormed;
        result.bytes.append(replacement);
        in += skipped.bytes;
        inLeft -= skipped.bytes;
        converter.resetState();
    }
    return result;
}

std::string_view asBytes(std::u16string_view units) {
    return {reinterpret_cast<const char*>(units.data()), units.size() * sizeof(char16_t)};
}

std::u16string asUnits(std::string_view littleEndianBytes) {
    std::u16string units;
    units.reserve(littleEndianBytes.size() / 2);
    for (std::size_t i = 0; i + 1 < littleEndianBytes.size(); i += 2) {
        units.push_back(
            static_cast<char16_t>(static_cast<unsigned char>(littleEndianBytes[i]) |
                                  (static_cast<unsigned char>(littleEndianBytes[i + 1]) << 8)));
    }
    return units;
}

std::u16string_view untilZeroUnit(std::u16string_view units) {
    return units.substr(0, std::min(units.find(u'\0'), units.size()));
}

// The native UTF-16 byte order of this platform, for handing char16_t buffers to iconv.
constexpr const char* kUtf16 = "UTF-16LE";
constexpr std::string_view kReplacementUtf16 = "\xFD\xFF";
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Plain ASCII reads the same in GBK and UTF-8, so it needs no converter.
bool isAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

static_assert(std::endian::native == std::endian::little, "UTF-16 buffers are little-endian");

}  // namespace

std::u16string toWide(std::string_view text) {
    return asUnits(transcode(kUtf16, "CP936", text, kReplacementUtf16, skipGbk).bytes);
}

Text fromWide(std::u16string_view units) {
    return transcode("CP936", kUtf16, asBytes(untilZeroUnit(units)), "?", skipUtf16).bytes;
}

Text utf8ToText(std::string_view bytes) {
    // A byte-order mark is not content: dropping it keeps a document that starts with one intact.
    if (bytes.starts_with(kUtf8ByteOrderMark)) {
        bytes.remove_prefix(kUtf8ByteOrderMark.size());
    }
    if (isAscii(bytes)) {
        return untilZero(bytes);
    }
    Transcoded text = transcode("CP936", "UTF-8", bytes, "?", skipUtf8);
    return text.anyCharacter ? untilZero(text.bytes) : Text();
}

std::string textToUtf8(std::string_view text) {
    if (isAscii(text)) {
        return std::string(text);
    }
    return transcode("UTF-8", "CP936", text, kReplacementUtf8, skipGbk).bytes;
}

std::u16string utf8ToWide(std::string_view utf8) {
    return asUnits(transcode(kUtf16, "UTF-8", utf8, kReplacementUtf16, skipUtf8).bytes);
}

std::string wideToUtf8(std::u16string_view units) {
    return transcode("UTF-8", kUtf16, asBytes(units), kReplacementUtf8, skipUtf16).bytes;
}

Text gbk(std::string_view utf8Literal) {
    return utf8ToText(utf8Literal);
}

}  // namespace zentara
