#include "shell/main_window.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidget>

#include "platform/window_layer.h"
#include "service_hosts.h"
#include "shell/qt_text.h"
#include "shell/source_catalogue.h"
#include "ui_main_window.h"

namespace zentara {

namespace {

constexpr int kRowValueRole = Qt::UserRole;

struct ColumnLayout {
    int width;
    Qt::Alignment alignment;
};

constexpr std::array<ColumnLayout, 4> kResultColumns = {{
    {150, Qt::AlignLeft | Qt::AlignVCenter},
    {70, Qt::AlignCenter},
    {150, Qt::AlignCenter},
    {150, Qt::AlignCenter},
}};

QString htmlEscaped(const Text& text) {
    return qtString(text).toHtmlEscaped();
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::MainWindow>()) {
    ui_->setupUi(this);

    // On the home platform a tab page's controls are placed in the tab control's own
    // coordinates, header included; Qt's pages begin below the tab bar. The window grows by the
    // bar's height so that every control keeps its full place and size.
    const int tabBarHeight = ui_->tabControl->tabBar()->sizeHint().height();
    ui_->tabControl->resize(ui_->tabControl->width(), ui_->tabControl->height() + tabBarHeight);
    resize(width(), height() + tabBarHeight);

    setUpResultList();
    setUpAboutPage();
    ui_->loadingPanel->raise();

    ui_->keywordEdit->installEventFilter(this);
    ui_->resultList->viewport()->installEventFilter(this);
    connect(ui_->searchButton, &QPushButton::clicked, this, &MainWindow::requestSearch);
    connect(ui_->sourceCombo, &QComboBox::activated, this, [this] { chooseSource(*this); });
    connect(ui_->playInterfaceCombo, &QComboBox::activated, this,
            [this] { choosePlayInterface(*this); });
}

MainWindow::~MainWindow() {
    // The children outlive this destructor's body; they must not reach the filter any more.
    ui_->keywordEdit->removeEventFilter(this);
    ui_->resultList->viewport()->removeEventFilter(this);
}

void MainWindow::setUpResultList() {
    QTableWidget* list = ui_->resultList;
    for (int column = 0; column < static_cast<int>(kResultColumns.size()); ++column) {
        list->setColumnWidth(column, kResultColumns[column].width);
        if (QTableWidgetItem* header = list->horizontalHeaderItem(column)) {
            header->setTextAlignment(kResultColumns[column].alignment);
        }
    }
    list->horizontalHeader()->setSectionsClickable(false);
    list->horizontalHeader()->setSortIndicatorShown(false);
    list->setSortingEnabled(false);
}

void MainWindow::setUpAboutPage() {
    for (int index = 0; index < SourceCatalogue::kRowCount; ++index) {
        QLabel* link = findChild<QLabel*>(QStringLiteral("siteLink%1").arg(index + 1));
        siteLinks_[index] = link;
        if (link == nullptr) {
            continue;
        }
        const Text& address = SourceCatalogue::row(index).homeAddress;
        link->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(htmlEscaped(address)));
        connect(link, &QLabel::linkActivated, this, [address] { openUrl(address); });
    }
    // The two closing lines: the maker, then the maker's home page (the manifest's server).
    static const Text makerLine = gbk("本软件由 Zentara 开发组制作，主页见下；免费使用，请勿倒卖");
    static const Text homePage = Text(hosts::manifest);
    ui_->makerLine->setText(qtString(makerLine));
    ui_->homePageLine->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(htmlEscaped(homePage)));
    connect(ui_->homePageLine, &QLabel::linkActivated, this, [] { openUrl(homePage); });
}

QTabWidget* MainWindow::tabControl() const {
    return ui_->tabControl;
}
QLineEdit* MainWindow::keywordEdit() const {
    return ui_->keywordEdit;
}
QPushButton* MainWindow::searchButton() const {
    return ui_->searchButton;
}
QComboBox* MainWindow::sourceCombo() const {
    return ui_->sourceCombo;
}
QLabel* MainWindow::sourceLabel() const {
    return ui_->sourceLabel;
}
QTableWidget* MainWindow::resultList() const {
    return ui_->resultList;
}
QFrame* MainWindow::loadingPanel() const {
    return ui_->loadingPanel;
}
QLabel* MainWindow::loadingPicture() const {
    return ui_->loadingPicture;
}
QComboBox* MainWindow::playInterfaceCombo() const {
    return ui_->playInterfaceCombo;
}

QLabel* MainWindow::siteLink(int index) const {
    return SourceCatalogue::contains(index) ? siteLinks_[index] : nullptr;
}

int MainWindow::appendResultRow(const Text& name, const Text& type, const Text& note,
                                const Text& time, std::int32_t value) {
    QTableWidget* list = ui_->resultList;
    const int row = list->rowCount();
    list->insertRow(row);
    const std::array<const Text*, 4> texts = {&name, &type, &note, &time};
    for (int column = 0; column < static_cast<int>(texts.size()); ++column) {
        auto* item = new QTableWidgetItem(qtString(*texts[column]));
        item->setTextAlignment(kResultColumns[column].alignment);
        list->setItem(row, column, item);
    }
    list->item(row, NameColumn)->setData(kRowValueRole, value);
    return row;
}

void MainWindow::deleteAllResultRows() {
    ui_->resultList->clearSelection();
    ui_->resultList->setRowCount(0);
}

int MainWindow::resultRowCount() const {
    return ui_->resultList->rowCount();
}

int MainWindow::currentResultRow() const {
    const QModelIndexList rows = ui_->resultList->selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& index : rows) {
        if (first < 0 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

Text MainWindow::resultCell(int row, int column) const {
    const QTableWidgetItem* item = ui_->resultList->item(row, column);
    return item != nullptr ? textOf(item->text()) : Text();
}

std::int32_t MainWindow::resultRowValue(int row) const {
    const QTableWidgetItem* item = ui_->resultList->item(row, NameColumn);
    return item != nullptr ? item->data(kRowValueRole).toInt() : 0;
}

void MainWindow::requestSearch() {
    emit searchRequested();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->keywordEdit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Return and the keypad's Enter are the same key code on the home platform.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            requestSearch();
            return true;
        }
    }
    if (watched == ui_->resultList->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        emit titleOpenRequested();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace zentara
