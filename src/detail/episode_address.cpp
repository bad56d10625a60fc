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

Text escapeQrText(const Text& text) {
    // The whole text is the value of the service's "text" parameter: "&" would end it, "#" would
    // cut the request short as a fragment, "+" would arrive as a blank and "%" as an escape.
    Text escaped = replaceText(text, "%", "%25", 1, std::nullopt, true);
    escaped = replaceText(escaped, "&", "%26", 1, std::nullopt, true);
    escaped = replaceText(escaped, "#", "%23", 1, std::nullopt, true);
    return replaceText(escaped, "+", "%2B", 1, std::nullopt, true);
}

Text qrRequestUrl(int menuList, const Text& link, const Text& playPrefix) {
    if (menuList == static_cast<int>(EpisodeList::online)) {
        return qrImageEndpoint() + escapeQrText(link);
    }
    if (menuList == static_cast<int>(EpisodeList::m3u8)) {
        return qrImageEndpoint() + escapeQrText(playPrefix + link);
    }
    return Text();
}

}  // namespace zentara
