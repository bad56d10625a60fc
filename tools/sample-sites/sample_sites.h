#pragma once

// What the sample catalogue server answers, independent of sockets: each listening origin plays
// one or more roles (the manifest server, the QR service, a site's search, detail or home host,
// a play interface), and a request is answered from its method and raw request target.

#include <string>
#include <vector>

namespace zentara::sample {

enum class Role { manifest, qr, search, detail, home, play };

struct Service {
    Role role;
    int index = 0;  // site 0 to 7 for search, detail and home; play interface 0 to 7 for play
};

struct Reply {
    int status = 200;
    std::string contentType;
    std::string body;
};

// The manifest served unless another one is given: the program's own version "1.0".
std::string defaultManifest(const std::string& manifestOrigin);

class SampleSites {
  public:
    explicit SampleSites(std::string manifest) : manifest_(std::move(manifest)) {}

    // `origin` is the origin the request reached (scheme://host:port), `services` its roles,
    // `target` the request target exactly as received (path and raw query).
    Reply answer(const std::string& origin, const std::vector<Service>& services,
                 const std::string& method, const std::string& target) const;

  private:
    std::string manifest_;
};

// The raw value of query key `key` in `target` (the query starts at the first "?" and its
// parameters are split at "&", as a PHP page reads them), percent-decoded with "+" as a blank.
// Empty when absent.
std::string queryValue(const std::string& target, const std::string& key);

std::string percentDecode(const std::string& text);

}  // namespace zentara::sample
