#pragma once

// DetailWindow: the episodes of one title, in two report lists ("在线" and "M3U8"), filled row by
// row by a worker that loads the title's detail page.

#include <QDialog>
#include <memory>

#include "text/text.h"

class QMenu;
class QTreeWidget;

namespace Ui {
class DetailWindow;
}

namespace zentara {

class DetailWindow : public QDialog {
    Q_OBJECT

  public:
    // Caption "name [note]"; sourceIndex is the site whose markers cut the page (-1: none).
    DetailWindow(const Text& name, const Text& note, int sourceIndex, QWidget* parent = nullptr);
    ~DetailWindow() override;

    int sourceIndex() const { return sourceIndex_; }

  private:
    std::unique_ptr<Ui::DetailWindow> ui_;
    QMenu* episodeMenu_ = nullptr;
    int sourceIndex_;
};

// "name [note]"
Text detailCaption(const Text& name, const Text& note);

}  // namespace zentara
