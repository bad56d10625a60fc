#include "detail/detail_window.h"

#include <QCursor>
#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>

#include "detail/episode_address.h"
#include "detail/qr_window.h"
#include "platform/code_page.h"
#include "platform/window_layer.h"
#include "shell/loading_animation.h"
#include "shell/qt_text.h"
#include "shell/shared_state.h"
#include "ui_detail_window.h"

namespace zentara {

namespace {

struct DetailTexts {
    Text copyLink = gbk("复制链接");
    Text makeQr = gbk("生成二维码");
    Text notAnAddress = gbk("这可能不是一个正确的网址");
    Text linkCopied = gbk("已复制链接");
    Text notice = gbk("提示");
};

const DetailTexts& texts() {
    static const DetailTexts all;
    return all;
}

constexpr int kNoteColumnWidth = 100;
constexpr int kUrlColumnWidth = 460;
const QPoint kMenuOffset(3, 3);
const QPoint kWindowPlace(50, 50);

void setUpList(QTreeWidget* list) {
    // Fixed column widths, as in a report list: the last column does not stretch.
    list->header()->setStretchLastSection(false);
    list->setColumnWidth(0, kNoteColumnWidth);
    list->setColumnWidth(1, kUrlColumnWidth);
}

}  // namespace

Text detailCaption(const Text& name, const Text& note) {
    return name + " [" + note + "]";
}

int currentRow(const QTreeWidget& list) {
    int first = -1;
    for (const QTreeWidgetItem* item : list.selectedItems()) {
        const int row = list.indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item));
        if (row >= 0 && (first == -1 || row < first)) {
            first = row;
        }
    }
    return first;
}

DetailWindow::DetailWindow(const Text& name, const Text& note, int sourceIndex, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::DetailWindow>()) {
    ui_->setupUi(this);
    // The window's own place on the screen; without this a dialog is centred on its owner.
    move(kWindowPlace);
    setWindowTitle(qtString(detailCaption(name, note)));
    setUpList(ui_->onlineList);
    setUpList(ui_->m3u8List);

    showLoadingAnimation(ui_->loadingPicture);

    episodeMenu_ = new QMenu(this);
    episodeMenu_->setObjectName("episodeMenu");
    connect(episodeMenu_->addAction(qtString(texts().copyLink)), &QAction::triggered, this,
            &DetailWindow::copyLink);
    connect(episodeMenu_->addAction(qtString(texts().makeQr)), &QAction::triggered, this,
            &DetailWindow::showQrCode);

    for (EpisodeList list : {EpisodeList::online, EpisodeList::m3u8}) {
        QTreeWidget* widget = listWidget(list);
        widget->viewport()->installEventFilter(this);
        connect(widget, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint&) { showEpisodeMenu(list); });
    }

    // The worker gets its own copy of the address and the site, taken here on the UI thread.
    link_ = std::make_shared<PlayListLink>(static_cast<PlayListView*>(this));
    startThread([link = link_, url = detailUrl, site = sourceIndex, fetch = detailPageFetcher()] {
        loadPlayLists(link, url, site, fetch);
    });
}

DetailWindow::~DetailWindow() {
    link_->detach();
}

void DetailWindow::done(int result) {
    // A closed window takes no more rows; the worker stops at its next step.
    link_->detach();
    QDialog::done(result);
}

void DetailWindow::setLoadingVisible(bool visible) {
    ui_->loadingPanel->setVisible(visible);
}

void DetailWindow::appendEpisode(EpisodeList list, const EpisodeRow& row) {
    QTreeWidget* widget = listWidget(list);
    auto* item = new QTreeWidgetItem(widget);
    item->setText(0, qtString(row.label));
    item->setText(1, qtString(row.link));
}

QTreeWidget* DetailWindow::listWidget(EpisodeList list) const {
    return list == EpisodeList::m3u8 ? ui_->m3u8List : ui_->onlineList;
}

Text DetailWindow::currentLink(EpisodeList list) const {
    const QTreeWidget* widget = listWidget(list);
    const int row = currentRow(*widget);
    if (row < 0) {
        return Text();
    }
    return textOf(widget->topLevelItem(row)->text(1));
}

bool DetailWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (EpisodeList list : {EpisodeList::online, EpisodeList::m3u8}) {
            if (watched == listWidget(list)->viewport()) {
                openEpisode(list);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DetailWindow::openEpisode(EpisodeList list) {
    const std::optional<Text> address = episodeBrowserAddress(list, currentLink(list), playPrefix);
    // The window layer hands only addresses that begin with a web scheme to the browser; a link
    // with text before its scheme would be dropped without a word, so it gets the warning too.
    if (!address || !isWebAddress(*address)) {
        showMessage(texts().notAnAddress, texts().notice);
        return;
    }
    openUrl(*address);
}

void DetailWindow::showEpisodeMenu(EpisodeList list) {
    if (currentRow(*listWidget(list)) == -1) {
        return;
    }
    menuList = static_cast<std::int32_t>(list);
    episodeMenu_->exec(QCursor::pos() + kMenuOffset);
}

void DetailWindow::copyLink() {
    if (menuList == static_cast<int>(EpisodeList::online) ||
        menuList == static_cast<int>(EpisodeList::m3u8)) {
        copyToClipboard(currentLink(static_cast<EpisodeList>(menuList)));
    }
    showMessage(texts().linkCopied, texts().notice);
}

void DetailWindow::showQrCode() {
    Text link;
    if (menuList == static_cast<int>(EpisodeList::online) ||
        menuList == static_cast<int>(EpisodeList::m3u8)) {
        link = currentLink(static_cast<EpisodeList>(menuList));
    }
    QrWindow window(qrRequestUrl(menuList, link, playPrefix), this);
    window.exec();
}

}  // namespace zentara
