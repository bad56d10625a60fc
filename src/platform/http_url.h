#pragma once

// URL helpers of the HTTP transport (crackUrl itself is declared in http_transport.h).

#include <string>
#include <string_view>

#include "platform/http_transport.h"

namespace zentara {

// Percent-encodes (%XX, capitals) every byte of a UTF-8 URL part that is a blank, a control
// character or not ASCII; every other byte, "%" included, passes unchanged.
std::string escapeUrlBytes(std::string_view utf8);

}  // namespace zentara
