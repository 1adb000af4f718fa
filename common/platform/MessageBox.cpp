#include "MessageBox.h"

#include "AppInfo.h"
#include "ProcessGuard.h"

#include <QTextStream>
#include <deque>

namespace levy {
namespace {
MessageBackend backend;
bool recording = false;
std::deque<Answer> answers;
std::deque<QString> inputs;
QList<MessageRequest> shown;
std::function<void(const MessageRequest&)> onShown;

// A default beyond the set's last button falls back to the first, as a message box does.
Answer DefaultAnswer(const MessageRequest& request)
{
    const QList<Answer> set = ButtonAnswers(request.buttons);
    return set.value(int(request.defaultButton) - 1, set.first());
}
} // namespace

QList<Answer> ButtonAnswers(Buttons buttons)
{
    switch (buttons) {
    case Buttons::OKOnly: return {Answer::OK};
    case Buttons::OKCancel: return {Answer::OK, Answer::Cancel};
    case Buttons::AbortRetryIgnore: return {Answer::Abort, Answer::Retry, Answer::Ignore};
    case Buttons::YesNoCancel: return {Answer::Yes, Answer::No, Answer::Cancel};
    case Buttons::YesNo: return {Answer::Yes, Answer::No};
    case Buttons::RetryCancel: return {Answer::Retry, Answer::Cancel};
    }
    return {Answer::OK};
}

namespace {
Answer Show(const MessageRequest& request)
{
    // The session is ending: nobody is there to answer, and nothing may wait for it.
    if (TerminationRequested())
        return ButtonAnswers(request.buttons).last();
    if (recording) {
        shown.append(request);
        Answer answer = DefaultAnswer(request);
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        if (onShown)
            onShown(request);
        return answer;
    }
    if (backend.showMessage)
        return backend.showMessage(request);
    QTextStream(stderr) << request.title << u": " << request.text << Qt::endl;
    return DefaultAnswer(request);
}
} // namespace

Answer MsgBox(const QString& text, Icon icon, const QString& title, Buttons buttons, DefaultButton defaultButton)
{
    return Show(MessageRequest{text, title.isEmpty() ? AppInfo::Title() : title, icon, buttons, defaultButton, {}});
}

Answer MsgBoxOffering(const QString& text, Icon icon, const QString& title, const QList<QString>& offers,
                      Buttons buttons)
{
    return Show(MessageRequest{text, title.isEmpty() ? AppInfo::Title() : title, icon, buttons,
                               DefaultButton::First, offers});
}

QString InputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    const QString caption = title.isEmpty() ? AppInfo::Title() : title;
    if (recording) {
        shown.append(MessageRequest{prompt, caption, Icon::None, Buttons::OKCancel, DefaultButton::First, {}});
        QString answer;
        if (!inputs.empty()) {
            answer = inputs.front();
            inputs.pop_front();
        }
        return answer;
    }
    if (backend.showInput)
        return backend.showInput(prompt, caption, defaultText);
    return {};
}

void SetMessageBackend(MessageBackend b) { backend = std::move(b); }

namespace MessageLog {
void Start()
{
    recording = true;
    Clear();
}
void Stop()
{
    recording = false;
    Clear();
}
bool Recording() { return recording; }
void QueueAnswer(Answer answer) { answers.push_back(answer); }
void QueueInput(const QString& text) { inputs.push_back(text); }
QList<MessageRequest> Shown() { return shown; }
void Clear()
{
    shown.clear();
    answers.clear();
    inputs.clear();
    onShown = nullptr;
}
void SetOnShown(std::function<void(const MessageRequest&)> callback) { onShown = std::move(callback); }
} // namespace MessageLog

} // namespace levy
