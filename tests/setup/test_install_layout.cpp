// Installs the build into a throw-away DESTDIR and checks what a desktop and the Debian
// package rely on: the programs with their files beside them, launchers on PATH, menu
// entries that point at installed files, and a manual that matches the command.
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <filesystem>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString prefix = u"/usr"_s;
const QString programDir = u"lib/levy-office"_s;

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run Execute(const QString& program, const QStringList& args, const QProcessEnvironment& env = {})
{
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted() || !p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {-1, {}, p.errorString()};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

// The [Desktop Entry] group of a desktop file, key by key.
QHash<QString, QString> DesktopEntry(const QString& path)
{
    QHash<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'['))
            inEntry = line == u"[Desktop Entry]"_s;
        else if (inEntry && line.contains(u'=') && !line.startsWith(u'#'))
            keys.insert(line.section(u'=', 0, 0).trimmed(), line.section(u'=', 1).trimmed());
    }
    return keys;
}
} // namespace

class TestInstallLayout : public QObject {
    Q_OBJECT

    QTemporaryDir destdir;
    QString root; // the installed prefix inside destdir

    QString Installed(const QString& relative) const { return root + u'/' + relative; }

private slots:
    void initTestCase();
    void installedFiles_data();
    void installedFiles();
    void launchers_data();
    void launchers();
    void launcherRunsTheProgram();
    void desktopEntries_data();
    void desktopEntries();
    void desktopEntriesValidate();
    void manualDocumentsEveryOption();
    void changelogMatchesThePackageVersion();
    void nothingStrayIsInstalled();
};

void TestInstallLayout::initTestCase()
{
    QVERIFY(destdir.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DESTDIR"_s, destdir.path());
    const Run run = Execute(QStringLiteral(LEVY_CMAKE_COMMAND),
                            {u"--install"_s, QStringLiteral(LEVY_TEST_BINARY_DIR), u"--prefix"_s, prefix}, env);
    QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
    root = destdir.path() + prefix;
}

void TestInstallLayout::installedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    QTest::newRow("steward") << programDir + u"/steward"_s << true;
    QTest::newRow("delver") << programDir + u"/delver"_s << true;
    QTest::newRow("query worker beside delver") << programDir + u"/levy-query-worker"_s << true;
    QTest::newRow("levy-setup") << programDir + u"/levy-setup"_s << true;
    QTest::newRow("help file beside the programs") << programDir + u"/levy system.hlp"_s << false;
    QTest::newRow("sample database beside steward") << programDir + u"/setup/SampleDB.mdb"_s << false;
    QTest::newRow("steward icon") << u"share/icons/hicolor/scalable/apps/levy-steward.svg"_s << false;
    QTest::newRow("delver icon") << u"share/icons/hicolor/scalable/apps/levy-delver.svg"_s << false;
    QTest::newRow("levy-setup manual") << u"share/man/man1/levy-setup.1.gz"_s << false;
    QTest::newRow("levy-steward manual") << u"share/man/man1/levy-steward.1.gz"_s << false;
    QTest::newRow("levy-delver manual") << u"share/man/man1/levy-delver.1.gz"_s << false;
    QTest::newRow("copyright") << u"share/doc/levy-office/copyright"_s << false;
    QTest::newRow("readme") << u"share/doc/levy-office/README"_s << false;
    QTest::newRow("changelog") << u"share/doc/levy-office/changelog.Debian.gz"_s << false;
}

void TestInstallLayout::installedFiles()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo info(Installed(path));
    QVERIFY2(info.isFile() && !info.isSymLink(), qPrintable(path));
    QVERIFY(info.size() > 0);
    QCOMPARE(info.isExecutable(), executable);
}

void TestInstallLayout::launchers_data()
{
    QTest::addColumn<QString>("launcher");
    QTest::addColumn<QString>("program");
    QTest::newRow("levy-steward") << u"levy-steward"_s << u"steward"_s;
    QTest::newRow("levy-delver") << u"levy-delver"_s << u"delver"_s;
    QTest::newRow("levy-setup") << u"levy-setup"_s << u"levy-setup"_s;
}

void TestInstallLayout::launchers()
{
    QFETCH(QString, launcher);
    QFETCH(QString, program);
    const QFileInfo link(Installed(u"bin/"_s + launcher));
    QVERIFY2(link.isSymLink(), qPrintable(link.filePath()));
    // A relative link keeps pointing into the same tree under DESTDIR and any prefix.
    const auto target = std::filesystem::read_symlink(QFile::encodeName(link.filePath()).toStdString());
    QVERIFY2(target.is_relative(), target.c_str());
    QCOMPARE(link.canonicalFilePath(), QFileInfo(Installed(programDir + u'/' + program)).canonicalFilePath());
    QVERIFY(QFileInfo(link.canonicalFilePath()).isExecutable());
}

void TestInstallLayout::launcherRunsTheProgram()
{
    const Run run = Execute(Installed(u"bin/levy-setup"_s), {u"--help"_s});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.startsWith(u"Usage: levy-setup"_s), qPrintable(run.out + run.err));
}

void TestInstallLayout::desktopEntries_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("program");
    QTest::newRow("steward") << u"levy-steward.desktop"_s << u"steward"_s;
    QTest::newRow("delver") << u"levy-delver.desktop"_s << u"delver"_s;
}

void TestInstallLayout::desktopEntries()
{
    QFETCH(QString, file);
    QFETCH(QString, program);
    const auto entry = DesktopEntry(Installed(u"share/applications/"_s + file));
    QCOMPARE(entry.value(u"Type"_s), u"Application"_s);
    QVERIFY(!entry.value(u"Name"_s).isEmpty());
    QCOMPARE(entry.value(u"Terminal"_s), u"false"_s);

    // Exec names a command on PATH: it must be one of the installed launchers, and the
    // launcher of this entry's own program.
    const QString exec = entry.value(u"Exec"_s).section(u' ', 0, 0);
    QVERIFY2(!exec.isEmpty() && !exec.contains(u'/'), qPrintable(exec));
    const QFileInfo launcher(Installed(u"bin/"_s + exec));
    QVERIFY2(launcher.exists(), qPrintable(exec));
    QCOMPARE(launcher.canonicalFilePath(), QFileInfo(Installed(programDir + u'/' + program)).canonicalFilePath());

    // Icon is a theme name, found as a scalable icon of the hicolor theme.
    const QString icon = entry.value(u"Icon"_s);
    QVERIFY2(!icon.isEmpty() && !icon.contains(u'/') && !icon.contains(u'.'), qPrintable(icon));
    QFile svg(Installed(u"share/icons/hicolor/scalable/apps/"_s + icon + u".svg"_s));
    QVERIFY2(svg.open(QIODevice::ReadOnly), qPrintable(svg.fileName()));
    QVERIFY(svg.readAll().contains("<svg"));
}

void TestInstallLayout::desktopEntriesValidate()
{
    const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed");
    const Run run = Execute(validator, {Installed(u"share/applications/levy-steward.desktop"_s),
                                        Installed(u"share/applications/levy-delver.desktop"_s)});
    QVERIFY2(run.status == 0 && run.out.isEmpty() && run.err.isEmpty(), qPrintable(run.out + run.err));
}

void TestInstallLayout::manualDocumentsEveryOption()
{
    const Run usage = Execute(Installed(u"bin/levy-setup"_s), {u"--help"_s});
    QCOMPARE(usage.status, 0);
    QStringList options;
    for (const auto& m : QRegularExpression(u"(?<![\\w-])--?[a-z][a-z-]*"_s).globalMatch(usage.out))
        options << m.captured();
    QVERIFY(options.contains(u"--password-stdin"_s) && options.contains(u"--database"_s));

    const Run manual = Execute(u"gzip"_s, {u"-dc"_s, Installed(u"share/man/man1/levy-setup.1.gz"_s)});
    QCOMPARE(manual.status, 0);
    QVERIFY(manual.out.contains(u".TH LEVY-SETUP 1 "_s));
    QVERIFY2(manual.out.contains(QStringLiteral("levy-office " LEVY_PROJECT_VERSION)), "the version is filled in");
    options.removeDuplicates();
    for (const QString& option : std::as_const(options)) {
        QString troff = option;
        troff.replace(u'-', u"\\-"_s);
        QVERIFY2(manual.out.contains(troff), qPrintable(u"the manual does not document "_s + option));
    }
}

void TestInstallLayout::changelogMatchesThePackageVersion()
{
    const Run changelog = Execute(u"gzip"_s, {u"-dc"_s, Installed(u"share/doc/levy-office/changelog.Debian.gz"_s)});
    QCOMPARE(changelog.status, 0);
    QCOMPARE(changelog.out.section(u'\n', 0, 0).section(u' ', 0, 1),
             QStringLiteral("levy-office (" LEVY_DEBIAN_VERSION ")"));
}

void TestInstallLayout::nothingStrayIsInstalled()
{
    // Every installed file belongs to a place the package owns or a desktop reads.
    const QStringList places = {u"bin/"_s,
                                programDir + u'/',
                                u"share/applications/"_s,
                                u"share/icons/hicolor/"_s,
                                u"share/man/man1/"_s,
                                u"share/doc/levy-office/"_s};
    QStringList stray;
    QDirIterator it(destdir.path(), QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.startsWith(root + u'/')) {
            stray << path;
            continue;
        }
        const QString relative = path.mid(root.size() + 1);
        if (std::none_of(places.begin(), places.end(), [&](const QString& p) { return relative.startsWith(p); }))
            stray << relative;
    }
    QVERIFY2(stray.isEmpty(), qPrintable(stray.join(u", "_s)));
}

QTEST_GUILESS_MAIN(TestInstallLayout)
#include "test_install_layout.moc"
