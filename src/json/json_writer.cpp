#include "json/json_writer.h"

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>

#include "json/json_text_form.h"
#include "platform/code_page.h"

namespace zentara {

namespace {

// Which characters of the basic plane code page 936 holds, learnt one character at a time on
// first sight and kept for the whole run (threads may learn the same character at once).
class CodePage936Coverage {
  public:
    bool holds(char32_t c) {
        if (c < 0x80) {
            return true;
        }
        if (c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            return false;
        }
        std::atomic<std::uint8_t>& known = state_[c];
        std::uint8_t state = known.load(std::memory_order_relaxed);
        if (state == kUnknown) {
            const char16_t unit[] = {static_cast<char16_t>(c), 0};
            state = fromWide(std::u16string_view(unit, 1)) == "?" ? kMissing : kHeld;
            known.store(state, std::memory_order_relaxed);
        }
        return state == kHeld;
    }

  private:
    static constexpr std::uint8_t kUnknown = 0, kHeld = 1, kMissing = 2;
    std::array<std::atomic<std::uint8_t>, 0x10000> state_{};
};

CodePage936Coverage& coverage() {
    static CodePage936Coverage instance;
    return instance;
}

// Invisible code points that JSON.stringify of the classic JSON script escapes.
bool isInvisible(char32_t c) {
    return (c >= 0x7F && c <= 0x9F) || c == 0xAD || (c >= 0x600 && c <= 0x604) || c == 0x70F ||
           c == 0x17B4 || c == 0x17B5 || (c >= 0x200C && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202F) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF ||
           (c >= 0xFFF0 && c <= 0xFFFF);
}

// Decodes one UTF-8 character at `i`; an invalid sequence gives U+FFFD for one byte.
char32_t decodeUtf8(std::string_view s, std::size_t i, std::size_t& length) {
    auto lead = static_cast<unsigned char>(s[i]);
    std::size_t need = 0;
    char32_t c = 0;
    if ((lead & 0xE0) == 0xC0) {
        need = 1;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        need = 2;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        need = 3;
        c = lead & 0x07;
    }
    length = 1;
    if (need == 0 || i + need >= s.size()) {
        return lead < 0x80 ? lead : 0xFFFD;
    }
    for (std::size_t k = 1; k <= need; ++k) {
        auto next = static_cast<unsigned char>(s[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0xFFFD;
        }
        c = (c << 6) | (next & 0x3F);
    }
    length = need + 1;
    return c;
}

void appendUnitEscape(std::string& out, unsigned unit) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\u";
    out.push_back(kHex[(unit >> 12) & 0xF]);
    out.push_back(kHex[(unit >> 8) & 0xF]);
    out.push_back(kHex[(unit >> 4) & 0xF]);
    out.push_back(kHex[unit & 0xF]);
}

void appendEscape(std::string& out, char32_t c) {
    if (c > 0xFFFF) {
        char32_t v = c - 0x10000;
        appendUnitEscape(out, 0xD800 + static_cast<unsigned>(v >> 10));
        appendUnitEscape(out, 0xDC00 + static_cast<unsigned>(v & 0x3FF));
    } else {
        appendUnitEscape(out, static_cast<unsigned>(c));
    }
}

void appendString(std::string& out, std::string_view s) {
    out.push_back('"');
    std::size_t i = 0;
    while (i < s.size()) {
        auto byte = static_cast<unsigned char>(s[i]);
        if (byte < 0x80) {
            switch (byte) {
                case '"':
                    out += "\\\"";
                    break;
                case '\\':
                    out += "\\\\";
                    break;
                case '\b':
                    out += "\\b";
                    break;
                case '\f':
                    out += "\\f";
                    break;
                case '\n':
                    out += "\\n";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                default:
                    if (byte < 0x20 || byte == 0x7F) {
                        appendUnitEscape(out, byte);
                    } else {
                        out.push_back(static_cast<char>(byte));
                    }
            }
            ++i;
            continue;
        }
        std::size_t length = 1;
        char32_t c = decodeUtf8(s, i, length);
        if (isInvisible(c) || !coverage().holds(c)) {
            appendEscape(out, c);
        } else {
            out.append(s.substr(i, length));
        }
        i += length;
    }
    out.push_back('"');
}

void appendValue(std::string& out, const JsonValue& value) {
    switch (value.type()) {
        case JsonValue::value_t::object: {
            out.push_back('{');
            bool first = true;
            for (const auto& member : value.get_ref<const JsonValue::object_t&>()) {
                if (!first) {
                    out.push_back(',');
                }
                first = false;
                appendString(out, member.first);
                out.push_back(':');
                appendValue(out, member.second);
            }
            out.push_back('}');
            break;
        }
        case JsonValue::value_t::array: {
            out.push_back('[');
            bool first = true;
            for (const JsonValue& element : value) {
                if (!first) {
                    out.push_back(',');
                }
                first = false;
                appendValue(out, element);
            }
            out.push_back(']');
            break;
        }
        case JsonValue::value_t::string:
            appendString(out, value.get_ref<const JsonValue::string_t&>());
            break;
        case JsonValue::value_t::boolean:
            out += value.get<bool>() ? "true" : "false";
            break;
        case JsonValue::value_t::number_float:
        case JsonValue::value_t::number_integer:
        case JsonValue::value_t::number_unsigned: {
            double number = value.get<double>();
            out += std::isfinite(number) ? scriptNumberText(number) : "null";
            break;
        }
        default:
            out += "null";
            break;
    }
}

}  // namespace

std::string writeJson(const JsonValue& value) {
    std::string out;
    appendValue(out, value);
    return out;
}

}  // namespace zentara
