#pragma once

// Cutting texts out of pages between pairs of literal markers, and the small text rewriting that
// goes with it. Every text is a GBK Text; positions are 1-based bytes. Markers are only ever found
// at character boundaries, so a marker never starts on the trail byte of a double-byte character.
// In marker texts the placeholder "#引号" stands for one double-quote character where noted.

#include <optional>
#include <string_view>

#include "text/text.h"

namespace zentara {

// The first text between `leftMarker` (searched from `startPosition`; 0 or 1 = from the start)
// and the next `rightMarker` after it. Both markers have "#引号" turned into '"' first. Empty when
// either marker is missing.
Text extractBetween(std::string_view text, std::string_view leftMarker,
                    std::string_view rightMarker, int startPosition = 0, bool ignoreCase = false);

// Every text between marker pairs found by plain search, trimmed of spaces and full-width spaces,
// decorated with prefix/suffix and (optionally) the markers themselves. An item that is empty
// after prefix and suffix is skipped. With `maxLength` > 0 only items shorter than it (measured
// after decoration) are kept. The right marker of one pair may serve as the left marker of the
// next. Markers are used unchanged (no placeholder conversion). Empty markers give 0.
// `results` is emptied first; returns its final size. Lets the calling thread process its
// pending window events while it works.
int extractAllBySearch(std::string_view text, std::string_view leftMarker,
                       std::string_view rightMarker, TextList& results, bool caseSensitive = false,
                       int maxLength = 0, std::string_view prefix = {},
                       std::string_view suffix = {}, bool includeLeft = false,
                       bool includeRight = false, int startPosition = 0);

// Every text between marker pairs found by the regular expression
// escapePattern(left) + "([\s\S]*?)" + escapePattern(right), letter case ignored, matches in
// order without overlap. With `maxLength` > 0 texts longer than it (measured before decoration)
// are skipped; empty texts are kept. `includeLeft`/`includeRight` add the markers as given.
// `caseSensitive` is accepted for callers' sake and has no effect. `results` is emptied first;
// returns its final size.
int extractAllByPattern(std::string_view text, std::string_view leftMarker,
                        std::string_view rightMarker, TextList& results, bool caseSensitive = false,
                        int maxLength = 0, std::string_view prefix = {},
                        std::string_view suffix = {}, bool includeLeft = false,
                        bool includeRight = false);

// A marker as a pattern fragment: escapes ? * + [ ] ( ) { }, turns "#引号" into '"' and CR LF into
// the two characters "\n". Every other character (".", "^", "$", "|", "\") keeps its meaning.
Text escapePattern(std::string_view marker);

// Up to five replace passes, pass k replacing `findk` by `replacementk` in the result of pass
// k - 1. Each pass replaces at most `count` occurrences (std::nullopt: all), from `startPosition`
// on (0 means 1), ignoring ASCII letter case unless `caseSensitive`. A pass with an empty find
// text changes nothing.
Text replaceMany(std::string_view text, std::optional<int> count, int startPosition,
                 bool caseSensitive, std::string_view find1, std::string_view replacement1,
                 std::string_view find2 = {}, std::string_view replacement2 = {},
                 std::string_view find3 = {}, std::string_view replacement3 = {},
                 std::string_view find4 = {}, std::string_view replacement4 = {},
                 std::string_view find5 = {}, std::string_view replacement5 = {});

}  // namespace zentara
