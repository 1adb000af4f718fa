#include "platform/AppInfo.h"
#include "utilities/HelpRoutines.h"
#include "widgets/CommonDialog.h"
#include "widgets/HelpViewer.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace levy;

namespace {
struct RecordingHelp : HelpDialog {
    int shown = 0;
    void ShowHelp() override { ++shown; }
};
} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void helpFileFollowsTheProgramFolder();
    void showHelpTopicSetsTheDialog();
    void everyContextHasATopic_data();
    void everyContextHasATopic();
    void viewerShowsTheTopicWithoutBlocking();
    void missingHelpFileIsReportedByTheViewer();
};

void TestHelp::helpFileFollowsTheProgramFolder()
{
    AppInfo::SetPathForTests(u"/opt/levy"_s);
    QCOMPARE(HelpFilePath(), u"/opt/levy/levy system.hlp"_s);
    AppInfo::SetPathForTests({});
}

void TestHelp::showHelpTopicSetsTheDialog()
{
    RecordingHelp help;
    SetHelpDialog(&help);
    AppInfo::SetPathForTests(u"/opt/levy"_s);
    ShowHelpTopic(340);
    QCOMPARE(help.shown, 1);
    QCOMPARE(help.HelpFile, u"/opt/levy/levy system.hlp"_s);
    QCOMPARE(help.HelpCommand, 1);
    QCOMPARE(help.HelpContext, 340);
    AppInfo::SetPathForTests({});
    SetHelpDialog(nullptr);
}

void TestHelp::everyContextHasATopic_data()
{
    QTest::addColumn<int>("context");
    for (int c : {130, 200, 230, 240, 300, 310, 320, 340, 720, 730})
        QTest::newRow(qPrintable(QString::number(c))) << c;
}

void TestHelp::everyContextHasATopic()
{
    QFETCH(int, context);
    QString title;
    const QString html = HelpViewer::TopicHtml(QStringLiteral(LEVY_PROGRAM_DIR "/levy system.hlp"), context, &title);
    QVERIFY(!title.contains(u"not found"_s));
    QVERIFY(html.startsWith(u"<h1><a name=\"%1\"></a>"_s.arg(context)));
    QVERIFY2(html.size() > 400, qPrintable(title));
    QVERIFY(!html.mid(4).contains(u"<h1>"_s));
}

void TestHelp::viewerShowsTheTopicWithoutBlocking()
{
    AppInfo::SetPathForTests(QStringLiteral(LEVY_PROGRAM_DIR));
    QWidget owner;
    CommonDialog dialog(&owner, u"dlgAdmin"_s);
    SetHelpDialog(&dialog);
    ShowHelpTopic(720);
    HelpViewer& viewer = HelpViewer::Instance();
    QVERIFY(viewer.isVisible());
    QVERIFY(!viewer.isModal());
    QCOMPARE(viewer.CurrentContext(), 720);
    QVERIFY(!viewer.CurrentText().isEmpty());
    SetHelpDialog(nullptr);
    AppInfo::SetPathForTests({});
    viewer.hide();
}

void TestHelp::missingHelpFileIsReportedByTheViewer()
{
    HelpViewer& viewer = HelpViewer::Instance();
    viewer.ShowTopic(u"/nonexistent/levy system.hlp"_s, 130);
    QVERIFY(viewer.CurrentText().contains(u"could not be opened"_s));
    viewer.hide();
}

QTEST_MAIN(TestHelp)
#include "test_help.moc"
