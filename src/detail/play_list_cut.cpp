#include "detail/play_list_cut.h"

#include "detail/play_list_markers.h"
#include "extract/marker_extraction.h"

namespace zentara {

namespace {

TextList cutSection(const Text& page, const Text& sectionStart, const PlayListMarkers& markers) {
    const Text section = extractBetween(page, sectionStart, markers.sectionEnd, 0, false);
    TextList entries;
    extractAllBySearch(section, markers.itemLeft, markers.itemRight, entries, false);
    return entries;
}

// The first source whose heading stands in the page decides; later ones are not tried.
template <typename Sources>
TextList cutProbedSection(const Text& page, const Sources& sources,
                          const PlayListMarkers& markers) {
    for (std::string_view source : sources) {
        if (findText(page, probeText(source)) != -1) {
            return cutSection(page, probeSectionStart(source), markers);
        }
    }
    return {};
}

}  // namespace

PlayLists cutPlayLists(const Text& page, int site) {
    PlayLists lists;
    if (site < 0 || site >= kPlayListSiteCount) {
        return lists;
    }
    const PlayListMarkers& markers = playListMarkers(site);
    if (site == kProbedSite) {
        lists.online = cutProbedSection(page, kOnlineProbeSources, markers);
        lists.m3u8 = cutProbedSection(page, kM3u8ProbeSources, markers);
    } else {
        lists.online = cutSection(page, markers.onlineStart, markers);
        lists.m3u8 = cutSection(page, markers.m3u8Start, markers);
    }
    return lists;
}

}  // namespace zentara
