#include "text/character_search.h"

#include <gtest/gtest.h>

#include <random>

#include "text/text.h"

namespace zentara {
namespace {

// The plain rule, one character at a time: the fast search must agree with it everywhere.
std::size_t referenceFind(const Text& text, const Text& sought, std::size_t from, bool ignoreCase) {
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = from; i < text.size(); i += gbkCharLength(text, i)) {
        if (text.size() - i < sought.size()) {
            break;
        }
        bool same = true;
        for (std::size_t j = 0; j < sought.size() && same;) {
            if (gbkCharLength(sought, j) == 2) {
                same = text[i + j] == sought[j] && text[i + j + 1] == sought[j + 1];
                j += 2;
            } else {
                same = ignoreCase ? fold(text[i + j]) == fold(sought[j]) : text[i + j] == sought[j];
                j += 1;
            }
        }
        if (same) {
            return i;
        }
    }
    return std::string_view::npos;
}

// Over random texts full of lead bytes, trail bytes that look like ASCII letters and marker
// bytes, the fast search gives the same answer as the plain walk, and findText follows it.
TEST(CharacterSearch, AgreesWithThePlainWalk) {
    std::mt19937 random(11);
    const char alphabet[] = {'a',    'A',    'b', '$',    '<',    '\x81', '\x41', '\x61',
                             '\xB0', '\x5D', ']', '\xA1', '\xFF', '\x80', ' '};
    auto randomText = [&](std::size_t maxLength) {
        Text text;
        std::size_t length = random() % (maxLength + 1);
        for (std::size_t i = 0; i < length; ++i) {
            text.push_back(alphabet[random() % sizeof alphabet]);
        }
        return text;
    };
    for (int round = 0; round < 20000; ++round) {
        // Long enough texts exercise the eight-byte ASCII skip as well.
        Text text = round % 10 == 0 ? Text(random() % 40, 'x') + randomText(40) : randomText(40);
        Text sought = randomText(3);
        if (sought.empty()) {
            continue;
        }
        std::size_t from = random() % (text.size() + 2);
        bool ignoreCase = random() % 2 == 0;
        std::size_t found = findAtCharacterBoundary(text, sought, from, ignoreCase);
        ASSERT_EQ(found, referenceFind(text, sought, from, ignoreCase)) << "round " << round;
        int position = findText(text, sought, static_cast<int>(from) + 1, ignoreCase);
        ASSERT_EQ(position, found == std::string_view::npos ? -1 : static_cast<int>(found) + 1);
    }
}

}  // namespace
}  // namespace zentara
