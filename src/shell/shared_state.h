#pragma once

// The state every part of the program shares, alive from start-up to the end of the process.
// The Text globals are written on the UI thread only; a worker that needs one takes a copy on the
// UI thread before it starts (or inside a runOnUiThread call), never reads it directly.

#include <cstdint>
#include <memory>

#include "text/text.h"

namespace zentara {

class HttpClient;
class JsonDocument;

// Search URL prefix of the chosen site; the keyword is appended to it (set by chooseSource).
extern Text searchEndpoint;

// The one HTTP client of the program. Reached only through fetchPage, which serialises its use.
// Null before createSharedObjects and after releaseSharedObjects.
extern std::unique_ptr<HttpClient> httpClient;

// The JSON document of the version check (root name "da"); used on the UI thread only.
extern std::unique_ptr<JsonDocument> jsonDoc;

// URL prefix of the chosen M3U8 play interface (set by choosePlayInterface).
extern Text playPrefix;

// Address of the detail page of the title being opened (set by openSelectedTitle).
extern Text detailUrl;

// Which episode list the open context menu acts on: 1 online list, 2 M3U8 list, 0 none.
extern std::int32_t menuList;

// Builds httpClient (create with the default user agent, then applyDefaults) and then jsonDoc.
void createSharedObjects();

// Releases, in this order: searchEndpoint, httpClient, jsonDoc, playPrefix, detailUrl.
// A transfer still running on a worker is aborted first, so that the client is never destroyed
// under it; menuList is reset. Safe to call more than once.
void releaseSharedObjects();

}  // namespace zentara
