#include "extract/marker_search.h"

#include <cstdint>
#include <cstring>

#include "text/text.h"

namespace zentara {

namespace {

constexpr std::size_t npos = std::string_view::npos;

unsigned char foldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

bool isAsciiLetter(unsigned char c) {
    return foldAscii(c) >= 'a' && foldAscii(c) <= 'z';
}

// True when `sought` stands at `at`. With ignoreCase, the single-byte characters of `sought`
// compare with ASCII letters folded and its double-byte characters compare exactly.
bool matchesAt(std::string_view text, std::size_t at, std::string_view sought, bool ignoreCase) {
    if (sought.size() > text.size() - at) {
        return false;
    }
    const char* here = text.data() + at;
    if (!ignoreCase) {
        return std::memcmp(here, sought.data(), sought.size()) == 0;
    }
    for (std::size_t j = 0; j < sought.size();) {
        if (gbkCharLength(sought, j) == 1) {
            if (foldAscii(static_cast<unsigned char>(here[j])) !=
                foldAscii(static_cast<unsigned char>(sought[j]))) {
                return false;
            }
            ++j;
        } else {
            if (here[j] != sought[j] || here[j + 1] != sought[j + 1]) {
                return false;
            }
            j += 2;
        }
    }
    return true;
}

// Moves the known character boundary `boundary` forward until it reaches or passes `target`.
std::size_t advanceBoundary(std::string_view text, std::size_t boundary, std::size_t target) {
    while (boundary < target) {
        if (target - boundary >= 8) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + boundary, sizeof word);
            if ((word & 0x8080808080808080ull) == 0) {
                boundary += 8;
                continue;
            }
        }
        boundary += gbkCharLength(text, boundary);
    }
    return boundary;
}

// Next byte at or after `from` that may begin `sought`: its first byte, in either case when the
// case is ignored and that byte is a letter.
class CandidateScanner {
  public:
    CandidateScanner(std::string_view text, unsigned char first, bool ignoreCase)
        : text_(text), lower_(first), upper_(first) {
        if (ignoreCase && isAsciiLetter(first)) {
            lower_ = foldAscii(first);
            upper_ = static_cast<unsigned char>(lower_ - ('a' - 'A'));
        }
    }

    std::size_t next(std::size_t from) {
        if (lower_ == upper_) {
            return scan(lower_, from);
        }
        if (nextLower_ != npos && (nextLower_ < from || !lowerValid_)) {
            nextLower_ = scan(lower_, from);
            lowerValid_ = true;
        }
        if (nextUpper_ != npos && (nextUpper_ < from || !upperValid_)) {
            nextUpper_ = scan(upper_, from);
            upperValid_ = true;
        }
        return nextLower_ < nextUpper_ ? nextLower_ : nextUpper_;
    }

  private:
    std::size_t scan(unsigned char byte, std::size_t from) const {
        if (from >= text_.size()) {
            return npos;
        }
        const void* hit = std::memchr(text_.data() + from, byte, text_.size() - from);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data()) : npos;
    }

    std::string_view text_;
    unsigned char lower_;
    unsigned char upper_;
    std::size_t nextLower_ = 0;
    std::size_t nextUpper_ = 0;
    bool lowerValid_ = false;
    bool upperValid_ = false;
};

}  // namespace

std::size_t findMarker(std::string_view text, std::string_view sought, std::size_t from,
                       bool ignoreCase) {
    if (from >= text.size()) {
        return npos;
    }
    if (sought.empty()) {
        return 0;
    }
    CandidateScanner candidates(text, static_cast<unsigned char>(sought[0]), ignoreCase);
    std::size_t boundary = from;
    for (std::size_t at = candidates.next(from); at != npos; at = candidates.next(at + 1)) {
        if (sought.size() > text.size() - at) {
            return npos;
        }
        boundary = advanceBoundary(text, boundary, at);
        if (boundary == at && matchesAt(text, at, sought, ignoreCase)) {
            return at;
        }
    }
    return npos;
}

}  // namespace zentara
