#pragma once

// Cutting a search endpoint's answer into titles. The answer (an XML document) is not parsed:
// each of five fields is cut out of the whole text between its tag markers, and the five lists
// are paired by position.

#include <vector>

#include "text/text.h"

namespace zentara {

// The five fields of one title of an answer.
struct SearchHit {
    Text name;
    Text type;
    Text note;
    Text last;
    Text id;
};

// The titles of `page`, in the order of the answer. Each field list is cut with
// extractAllByPattern (tag letter case ignored, texts kept as they stand, empty ones too).
// Lists are paired by position; when some list is shorter than the name list, only the titles
// for which all five lists have an entry are kept.
std::vector<SearchHit> cutSearchHits(const Text& page);

// True for the two types that are never listed ("美女热舞写真", "VIP视频秀"); byte-for-byte.
bool isExcludedType(const Text& type);

}  // namespace zentara
