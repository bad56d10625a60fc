#include "detail/episode_address.h"

#include "service_hosts.h"

namespace zentara {

bool looksLikeWebLink(const Text& link) {
    return findText(link, "http://") != -1 || findText(link, "https://") != -1;
}

std::optional<Text> episodeBrowserAddress(EpisodeList list, const Text& link,
                                          const Text& playPrefix) {
    if (!looksLikeWebLink(link)) {
        return std::nullopt;
    }
    return list == EpisodeList::m3u8 ? playPrefix + link : link;
}

const Text& qrImageEndpoint() {
    static const Text endpoint = Text(hosts::qr) + "/api.php?text=";
    return endpoint;
}

Text qrRequestUrl(int menuList, const Text& link, const Text& playPrefix) {
    if (menuList == static_cast<int>(EpisodeList::online)) {
        return qrImageEndpoint() + link;
    }
    if (menuList == static_cast<int>(EpisodeList::m3u8)) {
        return qrImageEndpoint() + playPrefix + link;
    }
    return Text();
}

}  // namespace zentara
