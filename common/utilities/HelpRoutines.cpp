#include "HelpRoutines.h"

#include "platform/AppInfo.h"

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
HelpDialog* helpDialog = nullptr;
} // namespace

void SetHelpDialog(HelpDialog* dialog) { helpDialog = dialog; }
HelpDialog* CurrentHelpDialog() { return helpDialog; }

QString HelpFilePath() { return AppInfo::Path() + u"/levy system.hlp"_s; }

void ShowHelpTopic(int32_t context)
{
    if (!helpDialog)
        return;
    helpDialog->HelpFile = HelpFilePath();
    helpDialog->HelpCommand = cdlHelpContext;
    helpDialog->HelpContext = context;
    helpDialog->ShowHelp();
}

} // namespace levy
