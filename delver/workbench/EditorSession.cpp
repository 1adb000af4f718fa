#include "EditorSession.h"

#include "history/UserDataFile.h"
#include "platform/RuntimeError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
const QString formatKey = u"levy-delver-session"_s;
constexpr int formatVersion = 1;

UserDataFile FileAt(const QString& path)
{
    return UserDataFile(path, u"editor session"_s, EditorSession::largest);
}
} // namespace

EditorSession::EditorSession(QString path) : path_(std::move(path)) {}

QString EditorSession::PathFor(const QString& userName)
{
    return UserDataFile::PathFor(u"session-"_s, userName, u".json"_s);
}

QByteArray EditorSession::Serialize(const SessionState& state)
{
    QJsonArray texts;
    for (const SessionText& t : state.texts) {
        QJsonObject o{{u"text"_s, t.text}};
        if (!t.file.isEmpty())
            o.insert(u"file"_s, t.file);
        if (t.modified)
            o.insert(u"modified"_s, true);
        texts.append(o);
    }
    return QJsonDocument(QJsonObject{{formatKey, formatVersion}, {u"current"_s, state.current}, {u"texts"_s, texts}})
        .toJson(QJsonDocument::Compact);
}

bool EditorSession::Parse(const QByteArray& bytes, SessionState& state)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject root = document.object();
    if (root.value(formatKey).toInt(-1) != formatVersion || !root.value(u"texts"_s).isArray())
        return false;
    SessionState read;
    for (const QJsonValue& v : root.value(u"texts"_s).toArray()) {
        const QJsonObject o = v.toObject();
        const QJsonValue file = o.value(u"file"_s), modified = o.value(u"modified"_s);
        if (!v.isObject() || !o.value(u"text"_s).isString() || !(file.isUndefined() || file.isString()) ||
            !(modified.isUndefined() || modified.isBool()))
            return false;
        read.texts.append(SessionText{file.toString(), o.value(u"text"_s).toString(), modified.toBool()});
    }
    // A current text that is not there is the first one.
    const int current = root.value(u"current"_s).toInt(0);
    read.current = current >= 0 && current < read.texts.size() ? current : 0;
    state = read;
    return true;
}

QString EditorSession::Load(SessionState& state)
{
    state = {};
    const UserDataFile::SetAside aside = FileAt(path_).Read(
        [&state](const QByteArray& bytes) { return Parse(bytes, state); }, u"it is damaged or is not an editor session"_s);
    if (aside.IsEmpty())
        return {};
    state = {};
    return u"Your open queries could not be restored: %1. The file has been set aside as \"%2\" and the editor "
           u"starts afresh."_s.arg(aside.reason, aside.path);
}

void EditorSession::Save(const SessionState& state)
{
    const QByteArray bytes = Serialize(state);
    if (bytes.size() > largest)
        Raise(75, u"Delver"_s,
              u"The open queries hold %1 MB of text, more than the %2 MB kept for the next start; save the largest "
              u"ones in files of their own."_s.arg(bytes.size() / (1024 * 1024)).arg(largest / (1024 * 1024)));
    FileAt(path_).Write(bytes);
}

} // namespace levy
