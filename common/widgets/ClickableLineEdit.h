#pragma once

#include <QLineEdit>

namespace levy {

// A locked text box that the user fills by clicking it (it opens a file dialog).
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
