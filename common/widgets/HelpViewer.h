#pragma once

#include <QWidget>

class QAction;
class QTextBrowser;

namespace levy {

// The help viewer: a window of its own that shows one topic of the help file at a time.
// (utilities/HelpFile.h reads the file.)
// It stays usable while a modal dialog is open, and it never keeps the program running
// on its own.
class HelpViewer : public QWidget {
    Q_OBJECT
public:
    static HelpViewer& Instance();
    void ShowTopic(const QString& helpFile, int context);
    // The topic shown; 0 while the contents are shown.
    int CurrentContext() const { return context_; }
    QString CurrentText() const;

    QAction* actBack;
    QAction* actContents;
    QAction* actClose;
    QTextBrowser* browser;

protected:
    bool event(QEvent* event) override;

private:
    HelpViewer();
    void Display(int context);
    void Follow(int context);
    void Back();
    void JoinTheModalWindow();
    QString file_;
    int context_ = 0;
    QList<int> history_;
};

} // namespace levy
