#pragma once

#include <QPlainTextEdit>

namespace levy {

// The SQL text box. Its text, as the rest of the program sees it, has CR LF line
// breaks, as a text box's text does on the platform the levy files come from.
class SqlEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit SqlEditor(QWidget* parent);
    QString Text() const;
    void SetText(const QString& text);
    QString SelectedText() const;
};

} // namespace levy
