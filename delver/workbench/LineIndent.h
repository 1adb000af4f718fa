#pragma once

class QTextCursor;

namespace levy {

// Tab and Shift+Tab over a selection of several lines, as in other editors: each line
// the selection touches gains a tab at its start (or loses one, or the spaces a tab
// stands for), as one step of Undo, and the lines stay selected. False, and nothing
// done, when the selection lies within one line and Tab is to be typed as it is.
bool IndentLines(QTextCursor& cursor, bool outdent);

} // namespace levy
