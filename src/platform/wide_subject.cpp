#include "platform/wide_subject.h"

#include <iconv.h>

#include <array>
#include <cstdint>

namespace zentara {

namespace {

constexpr char16_t kNoCharacter = 0xFFFF;  // never produced by code page 936
constexpr char16_t kReplacement = 0xFFFD;
constexpr std::size_t kCheckpointSpacing = 64;

// What code page 936 makes of one byte and of every lead/trail pair, asked of iconv once so the
// fast decoder below agrees with the code-page layer byte for byte.
struct DecodeTable {
    std::array<char16_t, 256> single{};
    std::array<std::array<char16_t, 256>, 128> pair{};  // lead byte 0x80 + index

    DecodeTable() {
        single.fill(kNoCharacter);
        for (auto& row : pair) {
            row.fill(kNoCharacter);
        }
        iconv_t handle = iconv_open("UTF-16LE", "CP936");
        if (handle == reinterpret_cast<iconv_t>(-1)) {
            for (int b = 0; b < 0x80; ++b) {
                single[b] = static_cast<char16_t>(b);
            }
            return;
        }
        for (int b = 0; b < 256; ++b) {
            char in[1] = {static_cast<char>(b)};
            single[b] = decodeWhole(handle, in, 1);
        }
        for (int lead = 0x80; lead < 0x100; ++lead) {
            if (single[lead] != kNoCharacter) {
                continue;
            }
            for (int trail = 0; trail < 256; ++trail) {
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                pair[lead - 0x80][trail] = decodeWhole(handle, in, 2);
            }
        }
        iconv_close(handle);
    }

    // The one BMP character that exactly `size` bytes decode to, or kNoCharacter.
    static char16_t decodeWhole(iconv_t handle, char* in, std::size_t size) {
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
        char out[8];
        char* inPtr = in;
        char* outPtr = out;
        std::size_t inLeft = size;
        std::size_t outLeft = sizeof out;
        std::size_t rc = iconv(handle, &inPtr, &inLeft, &outPtr, &outLeft);
        if (rc == static_cast<std::size_t>(-1) || inLeft != 0 || sizeof out - outLeft != 2) {
            return kNoCharacter;
        }
        auto unit = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                          (static_cast<unsigned char>(out[1]) << 8));
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            return kNoCharacter;
        }
        return unit;
    }
};

const DecodeTable& decodeTable() {
    static const DecodeTable table;
    return table;
}

// Decodes one character at byte i; returns its unit and sets `length` to its byte count.
inline char16_t decodeCharacter(const DecodeTable& table, std::string_view text, std::size_t i,
                                std::size_t& length) {
    auto b = static_cast<unsigned char>(text[i]);
    char16_t unit = table.single[b];
    if (unit != kNoCharacter) {
        length = 1;
        return unit;
    }
    if (b >= 0x80 && i + 1 < text.size()) {
        unit = table.pair[b - 0x80][static_cast<unsigned char>(text[i + 1])];
        if (unit != kNoCharacter) {
            length = 2;
            return unit;
        }
    }
    length = 1;
    return kReplacement;
}

// Decodes `text` into `units`; when `checkpoints` is given, records the byte offset of every
// kCheckpointSpacing-th unit.
void decode(std::string_view text, std::u16string& units, std::vector<std::size_t>* checkpoints) {
    const DecodeTable& table = decodeTable();
    units.resize(text.size());
    char16_t* out = units.data();
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (checkpoints && count % kCheckpointSpacing == 0) {
            checkpoints->push_back(i);
        }
        // Runs of ASCII go straight through, up to the next checkpoint.
        std::size_t room = kCheckpointSpacing - count % kCheckpointSpacing;
        std::size_t runEnd = i + std::min(room, text.size() - i);
        while (i < runEnd && static_cast<unsigned char>(text[i]) < 0x80) {
            out[count++] = static_cast<char16_t>(text[i++]);
        }
        if (i < runEnd) {
            std::size_t length = 1;
            out[count++] = decodeCharacter(table, text, i, length);
            i += length;
        }
    }
    units.resize(count);
}

}  // namespace

WideSubject::WideSubject(std::string_view text) : bytes_(text) {
    checkpoints_.reserve(text.size() / kCheckpointSpacing + 1);
    decode(bytes_, units_, &checkpoints_);
}

std::size_t WideSubject::byteOffset(std::size_t unitOffset) const {
    if (unitOffset >= units_.size()) {
        return bytes_.size();
    }
    const DecodeTable& table = decodeTable();
    std::size_t i = checkpoints_[unitOffset / kCheckpointSpacing];
    for (std::size_t steps = unitOffset % kCheckpointSpacing; steps > 0; --steps) {
        std::size_t length = 1;
        decodeCharacter(table, bytes_, i, length);
        i += length;
    }
    return i;
}

std::string_view WideSubject::bytesOf(std::size_t unitBegin, std::size_t unitEnd) const {
    if (unitEnd <= unitBegin) {
        return {};
    }
    std::size_t begin = byteOffset(unitBegin);
    std::size_t end = byteOffset(unitEnd);
    return std::string_view(bytes_).substr(begin, end - begin);
}

std::u16string decodeGbk(std::string_view text) {
    std::u16string units;
    decode(text, units, nullptr);
    return units;
}

}  // namespace zentara
