#pragma once

#include <QString>

namespace levy {

// The program-wide help dialog: each main window registers its common dialog here
// before anything can ask for help.
class HelpDialog {
public:
    virtual ~HelpDialog() = default;
    QString HelpFile;
    int HelpCommand = 0;
    int HelpContext = 0;
    // Shows the topic in the help viewer; the calling window stays usable.
    virtual void ShowHelp() = 0;
};

inline constexpr int cdlHelpContext = 1;

void SetHelpDialog(HelpDialog* dialog);
HelpDialog* CurrentHelpDialog();

// "levy system.hlp" in the running program's folder.
QString HelpFilePath();

// Opens the help file at a topic by its context number.
void ShowHelpTopic(int32_t context);

} // namespace levy
