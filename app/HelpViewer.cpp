#include "app/HelpViewer.h"

#include "app/AboutBox.h"

#include <QEvent>
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
    help->belongTo(owner);
    help->load(topic);
    help->show();
    help->raise();
    help->activateWindow();
}

// Belonging to the asking dialog keeps the viewer usable while that dialog is modal. A child
// window is destroyed with its parent, so the viewer watches its owner and leaves it as it
// closes (option dialogs live on the stack and are destroyed right after).
void HelpViewer::belongTo(QWidget* owner) {
    if (parentWidget() == owner) {
        return;
    }
    if (parentWidget() != nullptr) {
        parentWidget()->removeEventFilter(this);
    }
    const bool wasVisible = isVisible();
    const QRect placed = geometry();
    setParent(owner, Qt::Window); // hides the window
    if (owner != nullptr) {
        owner->installEventFilter(this);
    }
    if (wasVisible) {
        setGeometry(placed);
        show();
    }
}

bool HelpViewer::eventFilter(QObject* watched, QEvent* event) {
    // A minimised owner hides spontaneously and comes back; the main window has no owner
    // and closes the viewer itself.
    if (watched == parentWidget() && event->type() == QEvent::Hide && !event->spontaneous() &&
        !isHidden() && parentWidget()->parentWidget() != nullptr) {
        belongTo(parentWidget()->parentWidget()->window());
    }
    return QWidget::eventFilter(watched, event);
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
