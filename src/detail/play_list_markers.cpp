#include "detail/play_list_markers.h"

#include <cassert>

#include "platform/code_page.h"

namespace zentara {

namespace {

std::array<PlayListMarkers, kPlayListSiteCount> convertAll() {
    std::array<PlayListMarkers, kPlayListSiteCount> all;
    for (int site = 0; site < kPlayListSiteCount; ++site) {
        const PlayListMarkerSource& source = kPlayListMarkerSource[site];
        all[site] = {gbk(source.onlineStart), gbk(source.m3u8Start), gbk(source.sectionEnd),
                     gbk(source.itemLeft), gbk(source.itemRight)};
    }
    return all;
}

}  // namespace

const PlayListMarkers& playListMarkers(int site) {
    assert(site >= 0 && site < kPlayListSiteCount);
    static const std::array<PlayListMarkers, kPlayListSiteCount> all = convertAll();
    return all[site];
}

Text probeText(std::string_view source) {
    return gbk(probeTextUtf8(source));
}

Text probeSectionStart(std::string_view source) {
    return gbk(probeSectionStartUtf8(source));
}

}  // namespace zentara
