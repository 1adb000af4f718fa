#include "BusyPointer.h"

#include <QApplication>

namespace levy {

BusyPointer::BusyPointer()
{
    // Nested busy stretches (a page loaded inside an export) keep the one pointer.
    const QCursor* current = QApplication::overrideCursor();
    if (current && current->shape() == Qt::WaitCursor)
        shown_ = false;
    else
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyPointer::~BusyPointer() { Restore(); }

void BusyPointer::Restore()
{
    if (!shown_)
        return;
    shown_ = false;
    QApplication::restoreOverrideCursor();
}

namespace {
int beeps = 0;
}

void Beep()
{
    ++beeps;
    QApplication::beep();
}

int BeepCount() { return beeps; }

} // namespace levy
