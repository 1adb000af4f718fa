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

void GuardedCancellable(const std::function<void()>& command)
{
    Guarded([&] {
        try {
            command();
        } catch (const RuntimeError& error) {
            if (!IsCancellation(error))
                throw;
        }
    });
}

void TellUnlessCancelled(const RuntimeError& error, const QString& title)
{
    if (!IsCancellation(error))
        MsgBox(error.description, Icon::Exclamation, title);
}

bool RetryOnFailure(const std::function<void()>& step)
{
    for (;;) {
        try {
            step();
            return true;
        } catch (const RuntimeError& error) {
            if (IsCancellation(error))
                throw;
            if (MsgBox(error.description, Icon::Exclamation, u"Error"_s, Buttons::RetryCancel) != Answer::Retry)
                return false;
        }
    }
}

void GuardedStartUp(const std::function<void()>& startUp)
{
    QString failure;
    try {
        startUp();
        return;
    } catch (const ProgramEnded&) {
        return;
    } catch (const RuntimeError& error) {
        failure = error.description;
    } catch (const std::exception& error) {
        failure = QString::fromLocal8Bit(error.what());
    } catch (...) {
        failure = u"The program could not be started."_s;
    }
    // The end comes even when the message itself cannot be shown.
    try {
        MsgBox(failure, Icon::Critical);
    } catch (const ProgramEnded&) {
        return;
    } catch (...) {
    }
    try {
        EndProgram();
    } catch (const ProgramEnded&) {
    }
}

int ShowModal(QDialog& dialog)
{
    const int result = dialog.exec();
    ThrowIfProgramEnded();
    return result;
}

} // namespace levy
