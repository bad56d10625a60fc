#pragma once

// What an episode row opens: the browser address of a double-click and the request of the QR
// image service. Both are plain concatenations; nothing is encoded here.

#include <optional>

#include "detail/episode_entry.h"
#include "text/text.h"

namespace zentara {

// A link counts as an address when it contains "http://" or "https://" anywhere (exact case).
bool looksLikeWebLink(const Text& link);

// The address a double-click opens: the link itself (online list) or playPrefix + link (M3U8
// list). Nothing when the bare link fails looksLikeWebLink; the prefix is never tested.
std::optional<Text> episodeBrowserAddress(EpisodeList list, const Text& link,
                                          const Text& playPrefix);

// The QR image service's origin followed by "/api.php?text=".
const Text& qrImageEndpoint();

// "%", "&", "#" and "+" of a text percent-encoded, so that it reaches the QR service whole as
// one query value; every other byte (blanks and non-ASCII are escaped on the wire) is unchanged.
Text escapeQrText(const Text& text);

// The QR image request for the list named by menuList: qrImageEndpoint + link (1, online) or
// qrImageEndpoint + playPrefix + link (2, M3U8), the appended text passed through escapeQrText;
// empty for any other menuList value (nothing is fetched then).
Text qrRequestUrl(int menuList, const Text& link, const Text& playPrefix);

}  // namespace zentara
