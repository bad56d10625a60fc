#include "catalogue.h"

#include <cctype>

namespace zentara::sample {

namespace {

std::vector<std::string> episodes(const std::string& id, int count, const std::string& kind) {
    std::vector<std::string> entries;
    for (int n = 1; n <= count; ++n) {
        const std::string number = (n < 10 ? "0" : "") + std::to_string(n);
        const std::string link = kind == "m3u8"
                                     ? "{origin}/m3u8/" + id + "-" + number + "/index.m3u8"
                                     : "{origin}/share/" + id + "-" + number + ".html";
        entries.push_back("第" + number + "集$" + link);
    }
    return entries;
}

std::vector<CatalogueTitle> makeCatalogue() {
    std::vector<CatalogueTitle> titles = {
        {"101", "Star Harbour", "国产剧", "更新至12集", "2026-12-10 21:30:00",
         episodes("101", 12, "online"), episodes("101", 12, "m3u8")},
        {"102",
         "Starlight Express",
         "动作片",
         "HD中字",
         "2026-12-09 08:15:00",
         {"正片${origin}/share/102-01.html"},
         {"正片${origin}/m3u8/102-01/index.m3u8"}},
        {"103", "长安夜话", "国产剧", "全30集", "2026-12-08 19:00:00", episodes("103", 6, "online"),
         episodes("103", 6, "m3u8")},
        // Entries the detail window must cope with: no "$", a second "$", a link without scheme,
        // an empty label.
        {"104",
         "流浪星河",
         "科幻片",
         "BD国语",
         "2026-12-07 12:00:00",
         {"正片${origin}/share/104-01.html", "预告片", "花絮${origin}/share/104-02.html$hd",
          "特辑$a.m3u8", "${origin}/share/104-03.html"},
         {"正片${origin}/m3u8/104-01/index.m3u8"}},
        // The two excluded types: never listed.
        {"105", "夜色秀场", "VIP视频秀", "更新至20期", "2026-12-06 23:00:00",
         episodes("105", 2, "online"), episodes("105", 2, "m3u8")},
        {"106", "热舞合集", "美女热舞写真", "第3期", "2026-12-06 22:00:00",
         episodes("106", 2, "online"), episodes("106", 2, "m3u8")},
        // An empty name, and a type that only looks excluded (a trailing blank): both listed.
        {"107", "", "纪录片", "全6集", "2026-12-05 10:00:00", episodes("107", 6, "online"),
         episodes("107", 6, "m3u8")},
        {"108",
         "海边音乐会",
         "VIP视频秀 ",
         "完结",
         "2026-12-04 20:00:00",
         episodes("108", 1, "online"),
         {}},
        // An id with a leading zero (the program asks for detail id 123) and one without a number
        // (value 0: opening it does nothing).
        {"0123", "白夜追踪", "悬疑剧", "更新至08集", "2026-12-03 18:45:00",
         episodes("123", 8, "online"), episodes("123", 8, "m3u8")},
        {"abc", "无编号片", "动画片", "TC", "2026-12-02 09:00:00", {}, {}},
    };
    return titles;
}

long long leadingNumber(const std::string& text, bool& found) {
    long long value = 0;
    found = false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            break;
        }
        found = true;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

const std::vector<CatalogueTitle>& catalogue() {
    static const std::vector<CatalogueTitle> titles = makeCatalogue();
    return titles;
}

const CatalogueTitle* findTitle(long long id) {
    for (const CatalogueTitle& title : catalogue()) {
        bool found = false;
        if (leadingNumber(title.id, found) == id && found) {
            return &title;
        }
    }
    return nullptr;
}

std::string entryFor(const std::string& entry, const std::string& origin) {
    static const std::string placeholder = "{origin}";
    std::string result = entry;
    for (std::size_t at = result.find(placeholder); at != std::string::npos;
         at = result.find(placeholder, at + origin.size())) {
        result.replace(at, placeholder.size(), origin);
    }
    return result;
}

}  // namespace zentara::sample
