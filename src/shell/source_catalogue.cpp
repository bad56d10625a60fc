#include "shell/source_catalogue.h"

#include <QComboBox>
#include <QLabel>
#include <string_view>

#include "platform/code_page.h"
#include "service_hosts.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "shell/shared_state.h"

namespace zentara {

namespace {

struct SiteSource {
    std::string_view name;
    std::string_view searchPath;
    std::string_view aboutLabel;
};

// Names are UTF-8 here and GBK in the table. The About page's label of site 5 ("131zy") differs
// from the name shown in sourceLabel ("131") on purpose.
constexpr std::array<SiteSource, SourceCatalogue::kRowCount> kSites = {{
    {"OK资源网", "/inc/ldg_sea.php?wd=", "OK资源网："},
    {"33UU资源网", "/inc/seacmsapi.php?wd=", "33UU资源网："},
    {"永久资源网", "/inc/seacmsapi.php?wd=", "永久资源网："},
    {"极速云资源网", "/inc/seacmsapi.php?wd=", "极速云资源网："},
    {"131资源网", "/inc/seacmsapi.php?wd=", "131zy资源网："},
    {"最大资源网", "/inc/ldg_sea.php?wd=", "最大资源网："},
    {"最快资源网", "/inc/seacmsapi.php?wd=", "最快资源网："},
    {"酷酷资源网", "/inc/api.php?wd=", "酷酷资源网："},
}};

// Interface 2's prefix ends with a blank after the "=": the link follows the blank.
constexpr std::array<std::string_view, PlayInterface::kRowCount> kPlayPaths = {
    "/video.php?url=", "/m3u8/play.html?id= ", "/m3u8.html?url=", "/m3u8.php?url=",
    "/m3u8.php?url=",  "/m3u8.html?url=",      "/m3u8.php?url=",  "/605m3u8.php?url=",
};

const Text kDetailPath = "/?m=vod-detail-id-";
const Text kDetailSuffix = ".html";

std::array<SourceSite, SourceCatalogue::kRowCount> buildSites() {
    std::array<SourceSite, SourceCatalogue::kRowCount> sites;
    for (int k = 0; k < SourceCatalogue::kRowCount; ++k) {
        SourceSite& site = sites[k];
        site.entry = gbk("接口") + toText(k + 1);
        site.name = gbk(kSites[k].name);
        site.searchEndpoint = Text(hosts::siteSearch[k]) + Text(kSites[k].searchPath);
        site.detailHost = Text(hosts::siteDetail[k]);
        site.homeAddress = Text(hosts::siteHome[k]);
        site.aboutLabel = gbk(kSites[k].aboutLabel);
    }
    return sites;
}

std::array<PlayInterfaceRow, PlayInterface::kRowCount> buildPlayInterfaces() {
    std::array<PlayInterfaceRow, PlayInterface::kRowCount> rows;
    for (int k = 0; k < PlayInterface::kRowCount; ++k) {
        rows[k].entry = gbk("M3U8接口") + toText(k + 1);
        rows[k].prefix = Text(hosts::play[k]) + Text(kPlayPaths[k]);
    }
    return rows;
}

}  // namespace

const std::array<SourceSite, SourceCatalogue::kRowCount>& SourceCatalogue::rows() {
    static const auto sites = buildSites();
    return sites;
}

const SourceSite& SourceCatalogue::row(int index) {
    return rows().at(index);
}

Text SourceCatalogue::detailPageUrl(int index, std::int32_t id) {
    if (!contains(index)) {
        return {};
    }
    return row(index).detailHost + kDetailPath + toText(id) + kDetailSuffix;
}

const std::array<PlayInterfaceRow, PlayInterface::kRowCount>& PlayInterface::rows() {
    static const auto interfaces = buildPlayInterfaces();
    return interfaces;
}

const PlayInterfaceRow& PlayInterface::row(int index) {
    return rows().at(index);
}

void chooseSource(MainWindow& window) {
    const int chosen = window.sourceCombo()->currentIndex();
    if (SourceCatalogue::contains(chosen)) {
        const SourceSite& site = SourceCatalogue::row(chosen);
        searchEndpoint = site.searchEndpoint;
        window.sourceLabel()->setText(qtString(site.name));
    }
    window.requestSearch();
}

void choosePlayInterface(MainWindow& window) {
    const int chosen = window.playInterfaceCombo()->currentIndex();
    if (PlayInterface::contains(chosen)) {
        playPrefix = PlayInterface::row(chosen).prefix;
    }
}

}  // namespace zentara
