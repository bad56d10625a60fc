#include "search/search_hits.h"

#include <algorithm>
#include <array>

#include "extract/marker_extraction.h"
#include "platform/code_page.h"

namespace zentara {

std::vector<SearchHit> cutSearchHits(const Text& page) {
    TextList names;
    TextList types;
    TextList notes;
    TextList lasts;
    TextList ids;
    extractAllByPattern(page, "<name><![CDATA[", "]]></name>", names);
    extractAllByPattern(page, "<type>", "</type>", types);
    extractAllByPattern(page, "<note><![CDATA[", "]]></note>", notes);
    extractAllByPattern(page, "<last>", "</last>", lasts);
    extractAllByPattern(page, "<id>", "</id>", ids);

    const std::size_t complete =
        std::min({names.size(), types.size(), notes.size(), lasts.size(), ids.size()});
    std::vector<SearchHit> hits;
    hits.reserve(complete);
    for (std::size_t i = 0; i < complete; ++i) {
        hits.push_back({std::move(names[i]), std::move(types[i]), std::move(notes[i]),
                        std::move(lasts[i]), std::move(ids[i])});
    }
    return hits;
}

bool isExcludedType(const Text& type) {
    static const std::array<Text, 2> excluded = {gbk("美女热舞写真"), gbk("VIP视频秀")};
    return std::find(excluded.begin(), excluded.end(), type) != excluded.end();
}

}  // namespace zentara
