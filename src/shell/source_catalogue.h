#pragma once

// The eight video resource-collection sites and the eight M3U8 play interfaces the program knows,
// and the two handlers that choose among them. Origins come from the build's service-hosts file;
// paths and query keys live here. Both tables are constant for the whole run.

#include <array>
#include <cstdint>

#include "text/text.h"

namespace zentara {

class MainWindow;

// One site, indexed by the position of its entry in sourceCombo.
struct SourceSite {
    Text entry;           // entry of sourceCombo: "接口1" ... "接口8"
    Text name;            // shown in sourceLabel
    Text searchEndpoint;  // search origin, path and query key; the keyword follows the "="
    Text detailHost;      // origin of the site's detail pages
    Text homeAddress;     // target and caption of the About page's hyperlink
    Text aboutLabel;      // label beside it on the About page
};

class SourceCatalogue {
  public:
    static constexpr int kRowCount = 8;

    static bool contains(int index) { return index >= 0 && index < kRowCount; }
    // The row of site `index` (0 to 7); texts in code page 936.
    static const SourceSite& row(int index);
    static const std::array<SourceSite, kRowCount>& rows();

    // Detail page of title `id` on site `index`: detail origin, "/?m=vod-detail-id-", the id in
    // decimal and ".html". Empty for an index outside the table.
    static Text detailPageUrl(int index, std::int32_t id);
};

// One M3U8 play interface, indexed by the position of its entry in playInterfaceCombo.
struct PlayInterfaceRow {
    Text entry;   // "M3U8接口1" ... "M3U8接口8"
    Text prefix;  // origin, path and query key; an M3U8 link is appended directly
};

class PlayInterface {
  public:
    static constexpr int kRowCount = 8;

    static bool contains(int index) { return index >= 0 && index < kRowCount; }
    static const PlayInterfaceRow& row(int index);
    static const std::array<PlayInterfaceRow, kRowCount>& rows();
};

// Handler of a site choice in sourceCombo (also run once by the version check): sets
// searchEndpoint and the caption of sourceLabel from the current entry, then starts a search
// with whatever keywordEdit holds.
void chooseSource(MainWindow& window);

// Handler of a choice in playInterfaceCombo (also run once by the version check): sets
// playPrefix from the current entry. Starts nothing and changes no control.
void choosePlayInterface(MainWindow& window);

}  // namespace zentara
