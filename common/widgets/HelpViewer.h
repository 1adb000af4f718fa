#pragma once

#include <QWidget>

class QTextBrowser;

namespace levy {

// The help viewer: a window of its own that shows one topic of the help file at a time.
// The file is HTML; each topic starts at a line <h1><a name="NNN"></a>Title</h1>.
class HelpViewer : public QWidget {
    Q_OBJECT
public:
    static HelpViewer& Instance();
    void ShowTopic(const QString& helpFile, int context);
    // The text of a topic, or an explanation when the file or topic is missing.
    static QString TopicHtml(const QString& helpFile, int context, QString* title = nullptr);
    int CurrentContext() const { return context_; }
    QString CurrentText() const;

private:
    HelpViewer();
    QTextBrowser* browser_;
    QString file_;
    int context_ = 0;
};

} // namespace levy
