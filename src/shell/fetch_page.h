#pragma once

// The one routine through which every page of the program is fetched.

#include <mutex>

#include "text/text.h"

namespace zentara {

// Fetches `url` with httpClient: resolve and connect time-outs of 10 s (send and receive keep the
// client's defaults), a POST with an empty body, a single attempt, and the body decoded from
// UTF-8. Returns the empty text when nothing was received or the shared objects are gone; an
// error status gives its body like any other answer. Callable from any thread: the whole cycle
// runs under fetchLock(), so two fetches never share the client at the same time.
Text fetchPage(const Text& url);

// The lock held around each fetch cycle. releaseSharedObjects takes it before the client goes.
std::timed_mutex& fetchLock();

}  // namespace zentara
