#pragma once

// DetailWindow: the episodes of one title in two report lists ("在线" and "M3U8"). On creation it
// takes a copy of detailUrl and starts loadPlayLists, which fills the lists row by row. The lists
// answer a double-click (open the link in the browser) and a right-click (episodeMenu: copy the
// link, or show it as a QR code).

#include <QDialog>
#include <memory>

#include "detail/episode_entry.h"
#include "detail/play_list_loader.h"
#include "text/text.h"

class QMenu;
class QTreeWidget;

namespace Ui {
class DetailWindow;
}

namespace zentara {

class DetailWindow : public QDialog, private PlayListView {
    Q_OBJECT

  public:
    // Caption "name [note]"; sourceIndex is the site whose markers cut the page (-1: none).
    DetailWindow(const Text& name, const Text& note, int sourceIndex, QWidget* parent = nullptr);
    ~DetailWindow() override;

    void done(int result) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void setLoadingVisible(bool visible) override;
    void appendEpisode(EpisodeList list, const EpisodeRow& row) override;

    QTreeWidget* listWidget(EpisodeList list) const;
    // Column 1 of the list's current row; empty when no row is selected.
    Text currentLink(EpisodeList list) const;

    void openEpisode(EpisodeList list);
    void showEpisodeMenu(EpisodeList list);
    void copyLink();
    void showQrCode();

    std::unique_ptr<Ui::DetailWindow> ui_;
    QMenu* episodeMenu_ = nullptr;
    std::shared_ptr<PlayListLink> link_;
};

// "name [note]"
Text detailCaption(const Text& name, const Text& note);

// Index of the first selected row of a report list, -1 when none.
int currentRow(const QTreeWidget& list);

}  // namespace zentara
