#pragma once

#include <QWidget>

class QAction;
class QTextBrowser;

namespace levy {

// The help viewer: a window of its own that shows one topic of the help file at a time.
// The file is HTML; each topic starts at a line <h1><a name="NNN"></a>Title</h1>.
// It stays usable while a modal dialog is open, and it never keeps the program running
// on its own.
class HelpViewer : public QWidget {
    Q_OBJECT
public:
    static HelpViewer& Instance();
    void ShowTopic(const QString& helpFile, int context);
    // The text of a topic, or an explanation when the file or topic is missing.
    static QString TopicHtml(const QString& helpFile, int context, QString* title = nullptr);
    // A page that links every topic of the file, by its title.
    static QString ContentsHtml(const QString& helpFile);
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
