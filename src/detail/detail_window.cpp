#include "detail/detail_window.h"

#include <QMenu>
#include <QTreeWidget>

#include "detail/qt_text.h"
#include "platform/code_page.h"
#include "ui_detail_window.h"

namespace zentara {

namespace {

const Text& copyLinkCaption() {
    static const Text caption = gbk("复制链接");
    return caption;
}

const Text& makeQrCaption() {
    static const Text caption = gbk("生成二维码");
    return caption;
}

void setUpList(QTreeWidget* list) {
    list->setColumnWidth(0, 100);
    list->setColumnWidth(1, 460);
}

}  // namespace

Text detailCaption(const Text& name, const Text& note) {
    return name + " [" + note + "]";
}

DetailWindow::DetailWindow(const Text& name, const Text& note, int sourceIndex, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::DetailWindow>()), sourceIndex_(sourceIndex) {
    ui_->setupUi(this);
    setWindowTitle(toQString(detailCaption(name, note)));
    setUpList(ui_->onlineList);
    setUpList(ui_->m3u8List);

    episodeMenu_ = new QMenu(this);
    episodeMenu_->setObjectName("episodeMenu");
    episodeMenu_->addAction(toQString(copyLinkCaption()));
    episodeMenu_->addAction(toQString(makeQrCaption()));
}

DetailWindow::~DetailWindow() = default;

}  // namespace zentara
