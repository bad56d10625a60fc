#pragma once

// The made-up catalogue every sample site serves: titles with the fields of a search answer and
// the two episode lists of their detail pages. Texts are UTF-8, as the sites send them.

#include <string>
#include <vector>

namespace zentara::sample {

struct CatalogueTitle {
    std::string id;  // as the answer writes it: may have a leading zero, or no number at all
    std::string name;
    std::string type;
    std::string note;
    std::string last;
    // Entries "label$link" as the detail page carries them; "{origin}" stands for the origin of
    // the site's detail host. An entry may lack "$" or carry a second one.
    std::vector<std::string> online;
    std::vector<std::string> m3u8;  // empty: the page has no M3U8 section
};

const std::vector<CatalogueTitle>& catalogue();

// The title whose id, read as the program reads it (leading decimal digits), equals `id`;
// nullptr when there is none. Ids without a number are never found.
const CatalogueTitle* findTitle(long long id);

// The entry with "{origin}" replaced by `origin`.
std::string entryFor(const std::string& entry, const std::string& origin);

}  // namespace zentara::sample
