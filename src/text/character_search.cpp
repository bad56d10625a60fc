#include "text/character_search.h"

#include <algorithm>
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

std::size_t scanFor(std::string_view text, unsigned char byte, std::size_t from, std::size_t end) {
    if (from >= end) {
        return npos;
    }
    const void* hit = std::memchr(text.data() + from, byte, end - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : npos;
}

// Finds the places where `sought` may begin. It looks for one byte of `sought` that compares
// exactly (any byte when case counts; otherwise the first byte that is not part of a single-byte
// ASCII letter) with memchr. When every character of `sought` is a letter whose case is ignored,
// it looks for the first letter in both cases, window by window, so that a case that never occurs
// does not send memchr to the end of the text on every call.
class CandidateScanner {
  public:
    CandidateScanner(std::string_view text, std::string_view sought, bool ignoreCase)
        : text_(text) {
        std::size_t j = 0;
        while (ignoreCase && j < sought.size() && gbkCharLength(sought, j) == 1 &&
               isAsciiLetter(static_cast<unsigned char>(sought[j]))) {
            ++j;
        }
        if (j < sought.size()) {
            anchorOffset_ = j;
            lower_ = upper_ = static_cast<unsigned char>(sought[j]);
        } else {
            lower_ = foldAscii(static_cast<unsigned char>(sought[0]));
            upper_ = static_cast<unsigned char>(lower_ - ('a' - 'A'));
        }
    }

    // The first place at or after `from` where `sought` may begin, or npos.
    std::size_t next(std::size_t from) const {
        if (lower_ == upper_) {
            std::size_t hit = scanFor(text_, lower_, from + anchorOffset_, text_.size());
            return hit == npos ? npos : hit - anchorOffset_;
        }
        std::size_t window = 512;
        for (std::size_t begin = from; begin < text_.size(); begin += window, window *= 2) {
            std::size_t end = begin + std::min(window, text_.size() - begin);
            std::size_t lower = scanFor(text_, lower_, begin, end);
            std::size_t upper = scanFor(text_, upper_, begin, lower == npos ? end : lower);
            if (lower != npos || upper != npos) {
                return std::min(lower, upper);
            }
        }
        return npos;
    }

  private:
    std::string_view text_;
    std::size_t anchorOffset_ = 0;
    unsigned char lower_;
    unsigned char upper_;
};

}  // namespace

std::size_t findAtCharacterBoundary(std::string_view text, std::string_view sought,
                                    std::size_t from, bool ignoreCase) {
    if (from >= text.size()) {
        return npos;
    }
    if (sought.empty()) {
        return 0;
    }
    CandidateScanner candidates(text, sought, ignoreCase);
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
