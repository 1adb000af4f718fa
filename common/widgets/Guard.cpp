#include "Guard.h"

#include "platform/EndProgram.h"
#include "platform/MessageBox.h"
#include "platform/RuntimeError.h"

#include <QDialog>
#include <exception>

using namespace Qt::Literals::StringLiterals;

namespace levy {

void Guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const ProgramEnded&) {
    } catch (const RuntimeError& error) {
        try {
            MsgBox(error.description, Icon::Critical);
        } catch (const ProgramEnded&) {
        }
    } catch (const std::exception& error) {
        try {
            MsgBox(QString::fromLocal8Bit(error.what()), Icon::Critical);
        } catch (const ProgramEnded&) {
        }
    }
}

int ShowModal(QDialog& dialog)
{
    const int result = dialog.exec();
    ThrowIfProgramEnded();
    return result;
}

} // namespace levy
