#pragma once

namespace levy {

// Shows the busy (hourglass) pointer for as long as it lives, so that the normal
// pointer comes back on every way out, errors included.
class BusyPointer {
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
    // Restores the normal pointer early.
    void Restore();

private:
    bool shown_ = true;
};

// Sounds the system beep. Tests count the beeps instead of hearing them.
void Beep();
int BeepCount();

} // namespace levy
