// HelpViewer: the program's help window. It shows one HTML topic of the program's
// resources per dialog topic number, with links between the topics. There is at most one
// viewer; it is a separate top-level window that stays usable while a modal dialog is open
// (it belongs to the dialog that asked for help) and the main window closes it when it is
// destroyed.
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

private:
    HelpViewer();
    void load(uint32_t topic);

    QTextBrowser* browser_ = nullptr;
    uint32_t topic_ = 0;
};

} // namespace zentar
