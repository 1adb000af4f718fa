#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace levy {

// The message-box vocabulary of the system: button sets, icons and answers.
enum class Buttons { OKOnly, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Answer { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7, Offer1 = 101, Offer2 = 102 };
// The button that Enter presses, by its place in the set.
enum class DefaultButton { First = 1, Second, Third };

struct MessageRequest {
    QString text;
    QString title;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::OKOnly;
    DefaultButton defaultButton = DefaultButton::First;
    QList<QString> offers;  // buttons of the caller's own after the set's, answered Offer1, Offer2
};

// Shows a modal message box. An empty title shows the program's title.
Answer MsgBox(const QString& text, Icon icon = Icon::None, const QString& title = {},
              Buttons buttons = Buttons::OKOnly, DefaultButton defaultButton = DefaultButton::First);

// A message box that also offers actions of its own, as buttons after the set's; Enter and
// Escape keep the set's meaning. The first offer answers Offer1, the second Offer2.
Answer MsgBoxOffering(const QString& text, Icon icon, const QString& title, const QList<QString>& offers,
                      Buttons buttons = Buttons::OKOnly);

// The answers of a set's buttons, in their order on screen.
QList<Answer> ButtonAnswers(Buttons buttons);

// An input box: the answer, or an empty text when cancelled.
QString InputBox(const QString& prompt, const QString& title = {}, const QString& defaultText = {});

// The window layer installs the real boxes; without one, boxes are written to the
// standard error stream and answered with their default button.
struct MessageBackend {
    std::function<Answer(const MessageRequest&)> showMessage;
    std::function<QString(const QString& prompt, const QString& title, const QString& defaultText)> showInput;
};
void SetMessageBackend(MessageBackend backend);

// Test seam: while recording, no box is shown; each is recorded and answered from the
// queue (or with its default button when the queue is empty).
namespace MessageLog {
void Start();
void Stop();
bool Recording();
void QueueAnswer(Answer answer);
void QueueInput(const QString& text);
QList<MessageRequest> Shown();
void Clear();
// Called after each recorded box, so a test can act while a box is "open".
void SetOnShown(std::function<void(const MessageRequest&)> callback);
} // namespace MessageLog

} // namespace levy
