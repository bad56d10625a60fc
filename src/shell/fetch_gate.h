#pragma once

// The shutdown side of fetchPage, for the shared state's release (internal to shell).

namespace zentara {

// From now on fetchPage returns the empty text at once, and a transfer in progress is aborted.
void closeFetching();

// Undoes closeFetching (a new set of shared objects is being created).
void reopenFetching();

}  // namespace zentara
