#include "QtMessageBackend.h"

#include "platform/EndProgram.h"
#include "platform/MessageBox.h"

#include <QPushButton>
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
    case Answer::Offer1:
    case Answer::Offer2: break;  // buttons of the caller's own, not of a set
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
    QList<QAbstractButton*> offered;
    for (const QString& offer : request.offers)
        offered.append(box.addButton(offer, QMessageBox::ActionRole));
    // Escape keeps answering as the set's own buttons do.
    box.setEscapeButton(box.button(ToQt(answers.last())));
    const int pressed = box.exec();
    if (const qsizetype offer = offered.indexOf(box.clickedButton()); offer >= 0)
        return Answer(int(Answer::Offer1) + int(offer));
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
