#include "QtMessageBackend.h"

#include "platform/EndProgram.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
QMessageBox::Icon ToQt(Icon icon)
{
    switch (icon) {
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Information: return QMessageBox::Information;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ToQt(Answer answer)
{
    switch (answer) {
    case Answer::OK: return QMessageBox::Ok;
    case Answer::Cancel: return QMessageBox::Cancel;
    case Answer::Abort: return QMessageBox::Abort;
    case Answer::Retry: return QMessageBox::Retry;
    case Answer::Ignore: return QMessageBox::Ignore;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

Answer ShowMessage(const MessageRequest& request)
{
    QMessageBox box(ToQt(request.icon), request.title, request.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    const QList<Answer> answers = ButtonAnswers(request.buttons);
    QMessageBox::StandardButtons buttons;
    for (Answer answer : answers)
        buttons |= ToQt(answer);
    box.setStandardButtons(buttons);
    box.setDefaultButton(ToQt(answers.value(int(request.defaultButton) - 1, answers.first())));
    const int pressed = box.exec();
    for (Answer answer : answers)
        if (pressed == ToQt(answer))
            return answer;
    // Closed without a button: the box's escape answer.
    return answers.last();
}

QString ShowInput(const QString& prompt, const QString& title, const QString& defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), title, prompt, QLineEdit::Normal,
                                               defaultText, &ok);
    return ok ? text : QString();
}

void CloseAllWindows()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        w->hide();
}

} // namespace

void InstallQtMessageBackend()
{
    SetMessageBackend({ShowMessage, ShowInput});
    SetEndProgramHook(CloseAllWindows);
}

} // namespace levy
