#pragma once

#include <QListWidget>

namespace levy {

// A single-choice list whose current entry is always its selected one: the entry the
// keys reach is selected, so that what looks chosen is what the commands act on, and
// with nothing selected no entry is current, so that no focus frame looks like a choice.
class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    bool CurrentIsUnselected() const;
};

} // namespace levy
