#pragma once

// A title's detail page in the layout of each site, so that the program's per-site markers cut
// exactly the catalogue's episode entries out of it.

#include <string>

#include "catalogue.h"

namespace zentara::sample {

// The page of `title` on site 0 to 7 (UTF-8); `origin` is the site's detail host, put in front
// of the episode links.
std::string detailPage(int site, const CatalogueTitle& title, const std::string& origin);

}  // namespace zentara::sample
