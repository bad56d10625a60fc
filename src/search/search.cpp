#include "search/search.h"

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <atomic>

#include "detail/detail_window.h"
#include "platform/code_page.h"
#include "platform/window_layer.h"
#include "search/search_hits.h"
#include "shell/fetch_page.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "shell/shared_state.h"
#include "shell/source_catalogue.h"

namespace zentara {

namespace {

constexpr int kPausePerTitleMs = 20;

std::atomic<bool> searchRunning{false};

void setTriggersEnabled(MainWindow& window, bool enabled) {
    window.searchButton()->setEnabled(enabled);
    window.keywordEdit()->setEnabled(enabled);
    window.sourceCombo()->setEnabled(enabled);
}

}  // namespace

void bindSearch(MainWindow& window) {
    QObject::connect(&window, &MainWindow::searchRequested, &window,
                     [&window] { startSearch(window); });
    QObject::connect(&window, &MainWindow::titleOpenRequested, &window,
                     [&window] { openSelectedTitle(window); });
}

bool searchInProgress() {
    return searchRunning.load();
}

bool startSearch(MainWindow& window) {
    bool idle = false;
    if (!searchRunning.compare_exchange_strong(idle, true)) {
        return false;
    }
    startThread([guard = QPointer<MainWindow>(&window)] { runSearch(guard); });
    return true;
}

void runSearch(QPointer<MainWindow> window) {
    static const Text searchingCaption = gbk("搜索中..");
    static const Text idleCaption = gbk("搜索");

    // The guard is read on the UI thread only.
    bool windowOpen = false;
    Text url;
    runOnUiThread([&] {
        windowOpen = !window.isNull();
        if (!windowOpen) {
            return;
        }
        setTriggersEnabled(*window, false);
        window->searchButton()->setText(qtString(searchingCaption));
        window->loadingPanel()->show();
        window->deleteAllResultRows();
        url = searchEndpoint + textOf(window->keywordEdit()->text());
    });

    if (windowOpen) {
        const std::vector<SearchHit> hits = cutSearchHits(fetchPage(url));
        for (const SearchHit& hit : hits) {
            if (!isExcludedType(hit.type)) {
                runOnUiThread([&] {
                    windowOpen = !window.isNull();
                    if (windowOpen) {
                        window->appendResultRow(hit.name, hit.type, hit.note, hit.last,
                                                toInteger(hit.id));
                    }
                });
            }
            if (!windowOpen) {
                break;
            }
            waitProcessingEvents(kPausePerTitleMs);
            processEvents();
        }
    }

    runOnUiThread([&] {
        if (window) {
            setTriggersEnabled(*window, true);
            window->searchButton()->setText(qtString(idleCaption));
            window->loadingPanel()->hide();
        }
        searchRunning.store(false);
    });
}

void openSelectedTitle(MainWindow& window) {
    const int row = window.currentResultRow();
    const std::int32_t value = row >= 0 ? window.resultRowValue(row) : 0;
    if (value == 0) {
        return;
    }
    const int site = window.sourceCombo()->currentIndex();
    detailUrl = SourceCatalogue::detailPageUrl(site, value);
    DetailWindow dialog(window.resultCell(row, MainWindow::NameColumn),
                        window.resultCell(row, MainWindow::NoteColumn), site);
    dialog.exec();
}

}  // namespace zentara
