#pragma once

// Small helpers of the HttpClient wire tests.

#include <string>

#include "text/text.h"

namespace zentara {

inline std::string bodyOf(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

inline std::string requestLine(const std::string& request) {
    return request.substr(0, request.find("\r\n"));
}

// Whether the recorded request holds exactly this header line.
inline bool hasHeaderLine(const std::string& request, const std::string& line) {
    return request.find("\r\n" + line + "\r\n") != std::string::npos;
}

inline int countOf(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

}  // namespace zentara
