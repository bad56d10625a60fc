#pragma once

// A site's answer to a keyword: an XML list of the catalogue's titles in the sites' format.

#include <string>

namespace zentara::sample {

// The search path (with its query key) of site 0 to 7, e.g. "/inc/ldg_sea.php"; the keyword is
// the value of "wd".
const std::string& searchPath(int site);

// Every title whose name contains `keyword` (ASCII letters in any case; the empty keyword lists
// everything), in catalogue order. Site 1 writes its tags in capital letters.
std::string searchAnswer(int site, const std::string& keyword);

}  // namespace zentara::sample
