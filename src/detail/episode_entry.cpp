#include "detail/episode_entry.h"

namespace zentara {

EpisodeRow splitEpisodeEntry(const Text& entry) {
    const TextList parts = splitText(entry, "$");
    EpisodeRow row;
    if (!parts.empty()) {
        row.label = parts[0];
    }
    if (parts.size() > 1) {
        row.link = parts[1];
    }
    return row;
}

}  // namespace zentara
