#include "extract/quote_placeholder.h"

#include "platform/code_page.h"

namespace zentara {

const Text& quotePlaceholder() {
    static const Text placeholder = gbk("#引号");
    return placeholder;
}

Text convertQuotePlaceholders(std::string_view text) {
    return replaceText(text, quotePlaceholder(), "\"", 1, std::nullopt, true);
}

}  // namespace zentara
