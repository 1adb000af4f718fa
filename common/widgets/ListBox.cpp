#include "ListBox.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace levy {

ListBox::ListBox(QWidget* parent) : QListWidget(parent) { setSelectionMode(QAbstractItemView::SingleSelection); }

bool ListBox::CurrentIsUnselected() const
{
    return currentIndex().isValid() && !selectionModel()->isSelected(currentIndex());
}

// Coming in by the keyboard, the view makes its first entry current without selecting it.
void ListBox::focusInEvent(QFocusEvent* event)
{
    QListWidget::focusInEvent(event);
    if (CurrentIsUnselected())
        selectionModel()->clearCurrentIndex();
}

// Some keys move the current entry without selecting it (Ctrl with an arrow, say).
void ListBox::keyPressEvent(QKeyEvent* event)
{
    QListWidget::keyPressEvent(event);
    if (CurrentIsUnselected())
        setCurrentIndex(currentIndex());
}

// The selection taken away (Ctrl+Space, Ctrl+click) leaves no current entry behind; the
// next arrow key then starts at the first entry.
void ListBox::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QListWidget::selectionChanged(selected, deselected);
    if (selectionModel()->selectedIndexes().isEmpty() && currentIndex().isValid())
        selectionModel()->clearCurrentIndex();
}

} // namespace levy
