#pragma once

// One episode entry of a play list, "label$link", as it is cut out of a detail page.

#include "text/text.h"

namespace zentara {

// Which list an episode row belongs to; the values are those kept in menuList.
enum class EpisodeList { online = 1, m3u8 = 2 };

struct EpisodeRow {
    Text label;  // column "Note": the text before the first "$"
    Text link;   // column "URL": the text between the first and the second "$"
};

// Splits an entry at "$". Text after a second "$" is dropped; an entry without a link (no "$",
// or a "$" as its last byte) gives a row with an empty link rather than no row.
EpisodeRow splitEpisodeEntry(const Text& entry);

}  // namespace zentara
