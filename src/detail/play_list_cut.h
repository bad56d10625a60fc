#pragma once

// Cutting the two episode lists out of a detail page with the site's markers. Pure: no window,
// no network.

#include "text/text.h"

namespace zentara {

struct PlayLists {
    TextList online;  // "label$link" entries of the online-player list, in page order
    TextList m3u8;    // entries of the M3U8 list
};

// Sites 0 to 6 cut each list between its start marker and sectionEnd. Site 7 probes its source
// names in order and cuts the section of the first one whose heading the page contains, even
// when that section yields nothing. Any other site gives two empty lists.
PlayLists cutPlayLists(const Text& page, int site);

}  // namespace zentara
