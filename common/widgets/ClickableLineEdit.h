#pragma once

#include <QLineEdit>

namespace levy {

// A file-name box that opens its file dialog when clicked while it is locked or empty;
// a click in a box that holds a name places the caret, so that the name can be edited.
class ClickableLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace levy
