#include "search_answer.h"

#include <array>
#include <vector>

#include "catalogue.h"

namespace zentara::sample {

namespace {

std::string lowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string upperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

bool matches(const CatalogueTitle& title, const std::string& keyword) {
    return lowerAscii(title.name).find(lowerAscii(keyword)) != std::string::npos;
}

}  // namespace

const std::string& searchPath(int site) {
    static const std::array<std::string, 8> paths = {
        "/inc/ldg_sea.php",   "/inc/seacmsapi.php", "/inc/seacmsapi.php", "/inc/seacmsapi.php",
        "/inc/seacmsapi.php", "/inc/ldg_sea.php",   "/inc/seacmsapi.php", "/inc/api.php"};
    return paths.at(static_cast<std::size_t>(site));
}

std::string searchAnswer(int site, const std::string& keyword) {
    const bool capitalTags = site == 1;
    auto tag = [capitalTags](const std::string& name) {
        return capitalTags ? upperAscii(name) : name;
    };
    auto element = [&](const std::string& name, const std::string& value) {
        return "<" + tag(name) + ">" + value + "</" + tag(name) + ">";
    };
    auto cdata = [&](const std::string& name, const std::string& value) {
        return element(name, "<![CDATA[" + value + "]]>");
    };

    std::vector<const CatalogueTitle*> found;
    for (const CatalogueTitle& title : catalogue()) {
        if (matches(title, keyword)) {
            found.push_back(&title);
        }
    }

    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<" + tag("rss") +
                      " version=\"5.1\"><" + tag("list") +
                      " page=\"1\" pagecount=\"1\" pagesize=\"30\" recordcount=\"" +
                      std::to_string(found.size()) + "\">\r\n";
    for (const CatalogueTitle* title : found) {
        xml += "<" + tag("video") + ">" + element("last", title->last) + element("id", title->id) +
               element("tid", "1") + cdata("name", title->name) + element("type", title->type) +
               cdata("dt", "online,m3u8") + cdata("note", title->note) + "</" + tag("video") +
               ">\r\n";
    }
    xml += "</" + tag("list") + "></" + tag("rss") + ">\r\n";
    return xml;
}

}  // namespace zentara::sample
