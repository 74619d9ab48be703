// HelpViewer: the program's help window. It shows one HTML topic of the program's
// resources per dialog topic number, with links between the topics. There is at most one
// viewer; it is a separate top-level window that stays usable while a modal dialog is open
// (it belongs to the dialog that asked for help). When that dialog closes, the viewer moves
// to the dialog's own owner and stays open: only the user or the main window's destruction
// closes it.
//
// User-interface thread only.
#pragma once

#include <QWidget>

#include <cstdint>

class QTextBrowser;

namespace zentar {

class HelpViewer : public QWidget {
public:
    // Shows the topic in the viewer, creating it or moving it to owner as needed.
    static void ShowTopic(QWidget* owner, uint32_t topic);
    // Closes and destroys the viewer when there is one.
    static void CloseHelp();
    // The open viewer, or nullptr.
    static HelpViewer* Instance();

    uint32_t topic() const { return topic_; }
    QString pageTitle() const;
    QString pageText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HelpViewer();
    void load(uint32_t topic);
    void belongTo(QWidget* owner);

    QTextBrowser* browser_ = nullptr;
    uint32_t topic_ = 0;
};

} // namespace zentar
