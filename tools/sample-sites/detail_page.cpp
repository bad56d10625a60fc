#include "detail_page.h"

#include <string_view>
#include <vector>

#include "detail/play_list_markers.h"

namespace zentara::sample {

namespace {

enum class List { online, m3u8 };

std::string linkOf(const std::string& entry) {
    const std::size_t dollar = entry.find('$');
    if (dollar == std::string::npos) {
        return {};
    }
    return entry.substr(dollar + 1, entry.find('$', dollar + 1) - dollar - 1);
}

std::string upperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return result;
}

std::vector<std::string> entriesFor(const std::vector<std::string>& entries,
                                    const std::string& origin) {
    std::vector<std::string> result;
    for (const std::string& entry : entries) {
        result.push_back(entryFor(entry, origin));
    }
    return result;
}

// Sites 0 and 5: LF line ends; the start marker already holds the list's first indentation.
std::string headingSectionLf(const PlayListMarkerSource& markers, std::string_view start,
                             const std::vector<std::string>& entries) {
    std::string section(start);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) {
            section += "\n       ";
        }
        section += "<li><input type=\"checkbox\" name=\"copy_sel\" value=\"" + linkOf(entries[i]) +
                   "\" " + std::string(markers.itemLeft) + entries[i] +
                   std::string(markers.itemRight);
    }
    section += "\n" + std::string(markers.sectionEnd) + "\n";
    return section;
}

// Sites 1, 4 and the probed sections of site 7: CR LF line ends. Site 4 and site 7 put a CR
// right after "<ul>" and after "</ul> " inside their markers; the LF follows.
std::string headingSectionCrLf(const PlayListMarkerSource& markers, std::string_view start,
                               const std::vector<std::string>& entries, bool anchorItems) {
    std::string section(start);
    const bool startEndsInCr = !start.empty() && start.back() == '\r';
    section += startEndsInCr ? "\n" : "\r\n";
    for (const std::string& entry : entries) {
        const std::string opening =
            anchorItems
                ? "<li><a href=\"" + linkOf(entry) + "\" "
                : "<li><input type=\"checkbox\" name=\"copy_sel\" value=\"" + linkOf(entry) + "\" ";
        section += "        " + opening + std::string(markers.itemLeft) + entry +
                   std::string(markers.itemRight) + "\r\n";
    }
    const std::string_view end = markers.sectionEnd;
    section += std::string(end) + (end.back() == '\r' ? "\n" : "\r\n");
    return section;
}

// Sites 2, 3 and 6: sections between HTML comments, the entry as the checkbox's value. Site 3
// writes every other value attribute in capital letters.
std::string commentSection(const PlayListMarkerSource& markers, std::string_view start,
                           const std::vector<std::string>& entries, bool capitalEveryOther) {
    const std::string_view name = start.substr(start.find("前") + std::string_view("前").size());
    std::string section(start);
    section += "<ul>\r\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string left = capitalEveryOther && i % 2 == 1 ? upperAscii(markers.itemLeft)
                                                                 : std::string(markers.itemLeft);
        section += "<li><input type=\"checkbox\" name=\"copy_sel\" " + left + entries[i] +
                   std::string(markers.itemRight) + "\"\" /><a href=\"" + linkOf(entries[i]) +
                   "\" target=\"_self\">" + entries[i].substr(0, entries[i].find('$')) +
                   "</a></li>\r\n";
    }
    section += "</ul>" + std::string(markers.sectionEnd) + std::string(name) + "\r\n";
    return section;
}

std::string siteSection(int site, List list, const std::vector<std::string>& entries) {
    const PlayListMarkerSource& markers = kPlayListMarkerSource[static_cast<std::size_t>(site)];
    const std::string_view start = list == List::online ? markers.onlineStart : markers.m3u8Start;
    switch (site) {
        case 0:
        case 5:
            return headingSectionLf(markers, start, entries);
        case 1:
        case 4:
            return headingSectionCrLf(markers, start, entries, false);
        case 2:
        case 6:
            return commentSection(markers, start, entries, false);
        case 3:
            return commentSection(markers, start, entries, true);
        default:
            return {};
    }
}

// Site 7 names its sources; the page lists a kkyun section before the youku one, and the program
// still takes youku, which it probes first. The M3U8 list comes from kkm3u8 (605m3u8 is absent).
std::string probedSections(const CatalogueTitle& title, const std::string& origin) {
    const PlayListMarkerSource& markers = kPlayListMarkerSource[kProbedSite];
    std::string sections;
    if (!title.online.empty()) {
        const std::vector<std::string> spare = {"备用线路$" + origin + "/share/" + title.id +
                                                "-kk.html"};
        sections += headingSectionCrLf(markers, probeSectionStartUtf8("kkyun"), spare, true);
        sections += headingSectionCrLf(markers, probeSectionStartUtf8("youku"),
                                       entriesFor(title.online, origin), true);
    }
    if (!title.m3u8.empty()) {
        sections += headingSectionCrLf(markers, probeSectionStartUtf8("kkm3u8"),
                                       entriesFor(title.m3u8, origin), true);
    }
    return sections;
}

}  // namespace

std::string detailPage(int site, const CatalogueTitle& title, const std::string& origin) {
    const bool crLf = site == 1 || site == 2 || site == 4 || site == 6 || site == 7;
    const std::string eol = crLf ? "\r\n" : "\n";
    std::string page = "<!DOCTYPE html>" + eol + "<html>" + eol +
                       "<head><meta charset=\"utf-8\"><title>" + title.name + "</title></head>" +
                       eol + "<body>" + eol + "<div class=\"vodh\"><h2>" + title.name +
                       "</h2><span>" + title.note + "</span></div>" + eol +
                       "<div class=\"vodinfobox\"><ul><li>类别：<span>" + title.type +
                       "</span></li><li>更新：<span>" + title.last + "</span></li></ul></div>" +
                       eol + "<div class=\"vodplayinfo\">" + eol;
    if (site == kProbedSite) {
        page += probedSections(title, origin);
    } else {
        if (!title.online.empty()) {
            page += siteSection(site, List::online, entriesFor(title.online, origin));
        }
        if (!title.m3u8.empty()) {
            page += siteSection(site, List::m3u8, entriesFor(title.m3u8, origin));
        }
    }
    page += "</div>" + eol + "</body>" + eol + "</html>" + eol;
    return page;
}

}  // namespace zentara::sample
