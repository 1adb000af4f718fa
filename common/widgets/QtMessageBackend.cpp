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

Answer ShowMessage(const MessageRequest& request)
{
    QMessageBox box(ToQt(request.icon), request.title, request.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    struct Choice {
        QMessageBox::StandardButton button;
        Answer answer;
    };
    QList<Choice> choices;
    switch (request.buttons) {
    case Buttons::OKOnly: choices = {{QMessageBox::Ok, Answer::OK}}; break;
    case Buttons::OKCancel: choices = {{QMessageBox::Ok, Answer::OK}, {QMessageBox::Cancel, Answer::Cancel}}; break;
    case Buttons::AbortRetryIgnore:
        choices = {{QMessageBox::Abort, Answer::Abort}, {QMessageBox::Retry, Answer::Retry},
                   {QMessageBox::Ignore, Answer::Ignore}};
        break;
    case Buttons::YesNoCancel:
        choices = {{QMessageBox::Yes, Answer::Yes}, {QMessageBox::No, Answer::No}, {QMessageBox::Cancel, Answer::Cancel}};
        break;
    case Buttons::YesNo: choices = {{QMessageBox::Yes, Answer::Yes}, {QMessageBox::No, Answer::No}}; break;
    case Buttons::RetryCancel: choices = {{QMessageBox::Retry, Answer::Retry}, {QMessageBox::Cancel, Answer::Cancel}}; break;
    }
    QMessageBox::StandardButtons buttons;
    for (const Choice& c : choices)
        buttons |= c.button;
    box.setStandardButtons(buttons);
    box.setDefaultButton(choices.first().button);
    const int pressed = box.exec();
    for (const Choice& c : choices)
        if (pressed == c.button)
            return c.answer;
    // Closed without a button: the box's escape answer.
    return choices.size() > 1 ? choices.last().answer : choices.first().answer;
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
