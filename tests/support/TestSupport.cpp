#include "TestSupport.h"

#include "levy/DatabaseAccess.h"
#include "levy/DatabaseBuildingRoutines.h"
#include "database/QueryDef.h"
#include "platform/EndProgram.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <numeric>

using namespace Qt::Literals::StringLiterals;

namespace levy::test {

Sandbox::Sandbox()
{
    oldConfigHome_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path() + u"/config"_s));
    // The user's data (the editor's session, the history) too: a test finds none left
    // by another.
    oldDataHome_ = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir_.path() + u"/data"_s));
    MessageLog::Start();
    InterceptEndProgram(true);
    ResetEndProgramCalled();
}

Sandbox::~Sandbox()
{
    CloseLevyDatabase();
    MessageLog::Stop();
    ResetEndProgramCalled();
    if (oldConfigHome_.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfigHome_);
    if (oldDataHome_.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldDataHome_);
}

QString Sandbox::Path(const QString& name) const { return dir_.path() + u'/' + name; }

void MakeBlankDatabase(const QString& path)
{
    auto db = DBEngine::Instance().Workspaces(0).CreateDatabase(path, levyLocaleConnect + levyPasswordConnect,
                                                                 dbEncrypt);
    BuildLevySchema(*db);
    qryGeneral.reset();
    qryReport.reset();
    qryDirectSQL.reset();
    db->Close();
}

std::shared_ptr<Database> OpenLevy(const QString& path, bool exclusive)
{
    return DBEngine::Instance().Workspaces(0).OpenDatabase(path, exclusive, false, levyPasswordConnect);
}

std::shared_ptr<Database> FreshLevy(const Sandbox& sandbox)
{
    const QString path = sandbox.Path(u"levy.mdb"_s);
    MakeBlankDatabase(path);
    return OpenLevy(path);
}

QString Shown(const Value& value) { return value.IsNull() ? u"Null"_s : value.ToDisplayText(); }

QString RenderRecords(Recordset& rs)
{
    QStringList records;
    for (rs.MoveFirst(); rs.FieldCount() > 0 && !rs.IsEOF(); rs.MoveNext()) {
        QStringList values;
        for (int i = 0; i < rs.FieldCount(); ++i)
            values.append(Shown(rs.FieldValue(i)));
        records.append(values.join(u'|'));
    }
    return records.join(u';');
}

MessageRequest OnlyMessage()
{
    const auto shown = MessageLog::Shown();
    if (shown.size() != 1) {
        QStringList texts;
        for (const auto& m : shown)
            texts.append(m.text);
        QTest::qFail(qPrintable(u"expected one message box, saw %1: %2"_s.arg(shown.size()).arg(texts.join(u" | "_s))),
                     __FILE__, __LINE__);
        return {};
    }
    return shown.first();
}

std::shared_ptr<bool> WhenModal(const QString& className, std::function<void(QWidget*)> act, int timeoutMs)
{
    auto done = std::make_shared<bool>(false);
    auto* timer = new QTimer;
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && QString::fromLatin1(modal->metaObject()->className()) == className && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            *done = true;
            act(modal);
            // A check that failed inside `act` left the dialog open: close everything so
            // that the test ends instead of hanging.
            if (QTest::currentTestFailed())
                for (QWidget* w : QApplication::topLevelWidgets())
                    w->hide();
            return;
        }
        if (elapsed->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            for (QWidget* w : QApplication::topLevelWidgets())
                w->hide();
        }
    });
    timer->start(10);
    return done;
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

QString Scalar(const QString& databasePath, const QString& sql)
{
    auto db = OpenLevy(databasePath);
    auto rs = db->OpenRecordset(sql);
    const QString value = rs->IsEOF() ? QString() : rs->FieldValue(0).ToDisplayText();
    db->Close();
    return value;
}

bool FullCampaigns() { return qEnvironmentVariableIntValue("LEVY_FULL_CAMPAIGNS") == 1; }

quint32 CampaignSeed(const char* name, quint32 fallback)
{
    bool ok = false;
    const quint32 seed = qEnvironmentVariable(name).toUInt(&ok);
    return ok ? seed : fallback;
}

QList<qsizetype> Sample(qsizetype total, qsizetype count, QRandomGenerator& random)
{
    QList<qsizetype> numbers(total);
    std::iota(numbers.begin(), numbers.end(), qsizetype(0));
    count = std::min(count, total);
    for (qsizetype i = 0; i < count; ++i)
        std::swap(numbers[i], numbers[i + qsizetype(random.bounded(quint64(total - i)))]);
    numbers.resize(count);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

void TellHowToRepeat(const char* seedName, quint32 seed)
{
    if (!QTest::currentTestFailed())
        return;
    QString sizes;
    for (const char* name : {"LEVY_FAULT_ROUNDS", "LEVY_IO_FAULT_POINTS"})
        if (qEnvironmentVariableIsSet(name))
            sizes += u' ' + QString::fromLatin1(name) + u'=' + qEnvironmentVariable(name);
    const QString tag = QString::fromUtf8(QTest::currentDataTag());
    qWarning("to repeat this run: LEVY_FULL_CAMPAIGNS=%d %s=%u%s %s '%s%s'", FullCampaigns() ? 1 : 0, seedName, seed,
             qPrintable(sizes), qPrintable(QCoreApplication::applicationFilePath()), QTest::currentTestFunction(),
             qPrintable(tag.isEmpty() ? QString() : u':' + tag));
}

} // namespace levy::test
