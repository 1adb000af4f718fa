#include "BusyPointer.h"

#include <QApplication>

namespace levy {

BusyPointer::BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }

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
