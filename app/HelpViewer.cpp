#include "app/HelpViewer.h"

#include "app/AboutBox.h"

#include <QFile>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace zentar {

namespace {

QPointer<HelpViewer>& viewer() {
    static QPointer<HelpViewer> instance;
    return instance;
}

} // namespace

HelpViewer::HelpViewer() : QWidget(nullptr, Qt::Window) {
    setObjectName("helpViewer");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Zentar Video Converter Help");
    setWindowIcon(ProgramIcon());
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("helpBrowser");
    browser_->setSearchPaths({":/help"});
    browser_->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(560, 600);
}

void HelpViewer::ShowTopic(QWidget* owner, uint32_t topic) {
    HelpViewer* help = viewer().data();
    if (help == nullptr) {
        help = new HelpViewer();
        viewer() = help;
    }
    // Belonging to the asking dialog keeps the viewer usable while that dialog is modal.
    if (help->parentWidget() != owner) {
        help->setParent(owner, Qt::Window);
    }
    help->load(topic);
    help->show();
    help->raise();
    help->activateWindow();
}

void HelpViewer::CloseHelp() {
    delete viewer().data();
}

HelpViewer* HelpViewer::Instance() {
    return viewer().data();
}

QString HelpViewer::pageTitle() const {
    return browser_->documentTitle();
}

QString HelpViewer::pageText() const {
    return browser_->toPlainText();
}

void HelpViewer::load(uint32_t topic) {
    topic_ = topic;
    const QString page = QString("%1.html").arg(topic, 0, 16);
    if (QFile::exists(":/help/" + page)) {
        browser_->setSource(QUrl(page));
    } else {
        browser_->setHtml(QString("<html><head><title>Help</title></head><body><p>There is no "
                                  "help topic 0x%1.</p></body></html>")
                              .arg(topic, 0, 16));
    }
}

} // namespace zentar
