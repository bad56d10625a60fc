#pragma once

// The keyword search of MainWindow and the opening of a listed title.

#include <QPointer>

#include "shell/main_window.h"

namespace zentara {

// Binds MainWindow's search events: Enter in keywordEdit, searchButton and a site choice start a
// search; a double-click in resultList opens the selected title.
void bindSearch(MainWindow& window);

// Starts runSearch on a new detached thread, unless a search of this program is already
// starting or running (the flag is set here, on the UI thread, and cleared when the search has
// restored the window): so two searches never overlap, even before the first has disabled its
// triggers. Returns whether a search was started.
bool startSearch(MainWindow& window);

// True from startSearch until that search has finished.
bool searchInProgress();

// The worker routine of one search: disables the triggers, shows the loading panel, clears
// resultList, fetches searchEndpoint followed by the keyword (unchanged), lists every complete
// title whose type is not excluded, one row at a time with a 20 ms pause per title, then
// restores the window. Every window access goes through the UI thread; once the window has
// closed the search drops its updates and ends. The guard is only read on the UI thread.
void runSearch(QPointer<MainWindow> window);

// Handler of a double-click in resultList: with a selected row of non-zero value, sets
// detailUrl to that title's detail page on the site chosen in sourceCombo and opens
// DetailWindow modally; otherwise does nothing.
void openSelectedTitle(MainWindow& window);

}  // namespace zentara
