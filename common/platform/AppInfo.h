#pragma once

#include <QString>

namespace levy {

// What the running program says of itself: its title (the default caption of message
// boxes), its product name and the folder it was started from.
struct AppInfo {
    static void Set(const QString& title, const QString& productName);
    static QString Title();
    static QString ProductName();
    // The folder of the running program, without a trailing separator.
    static QString Path();
    static void SetPathForTests(const QString& path);
};

} // namespace levy
