#pragma once

// MainWindow: the program's first window. Three tab pages: the keyword search with its result
// list, the settings page with the play-interface choice, and the About page.
//
// The window raises its events as signals and binds the handlers of its own subsystem (the site
// and play-interface choices); the search binds the rest (see search/search.h).

#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

#include "text/text.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace Ui {
class MainWindow;
}

namespace zentara {

class MainWindow : public QWidget {
    Q_OBJECT

  public:
    // Columns of resultList.
    enum ResultColumn { NameColumn = 0, TypeColumn = 1, NoteColumn = 2, TimeColumn = 3 };

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    QTabWidget* tabControl() const;
    QLineEdit* keywordEdit() const;
    QPushButton* searchButton() const;
    QComboBox* sourceCombo() const;
    QLabel* sourceLabel() const;
    QTableWidget* resultList() const;
    QFrame* loadingPanel() const;
    QLabel* loadingPicture() const;
    QComboBox* playInterfaceCombo() const;
    // Hyperlink of site `index` (0 to 7) on the About page.
    QLabel* siteLink(int index) const;

    // resultList as a report list: rows count from 0, each row carries an integer value.
    int appendResultRow(const Text& name, const Text& type, const Text& note, const Text& time,
                        std::int32_t value);
    void deleteAllResultRows();
    int resultRowCount() const;
    // The first selected row, -1 when none.
    int currentResultRow() const;
    // Empty for a row or column that does not exist.
    Text resultCell(int row, int column) const;
    // 0 for a row that does not exist.
    std::int32_t resultRowValue(int row) const;

    // Asks for a search, as Enter in keywordEdit and a click on searchButton do.
    void requestSearch();

  signals:
    // Enter in keywordEdit (any modifiers), a click on searchButton, or requestSearch().
    void searchRequested();
    // A double-click anywhere in resultList.
    void titleOpenRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void setUpResultList();
    void setUpAboutPage();

    std::unique_ptr<Ui::MainWindow> ui_;
    std::array<QLabel*, 8> siteLinks_{};
};

}  // namespace zentara
