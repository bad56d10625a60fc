#include "extract/marker_search.h"

#include <gtest/gtest.h>

#include <random>

#include "text/text.h"

namespace zentara {
namespace {

// findMarker is the fast twin of findText: over random texts full of lead bytes, trail bytes
// that look like ASCII letters and marker bytes, both must give the same answer.
TEST(MarkerSearch, AgreesWithFindText) {
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
        std::size_t found = findMarker(text, sought, from, ignoreCase);
        int expected = findText(text, sought, static_cast<int>(from) + 1, ignoreCase);
        ASSERT_EQ(found == std::string_view::npos ? -1 : static_cast<int>(found) + 1, expected)
            << "round " << round;
    }
}

}  // namespace
}  // namespace zentara
