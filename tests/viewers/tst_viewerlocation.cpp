// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of locating the PDF viewer and web browser: the default program, the stored command line and its splitting.
#include "RecordingHelpManager.h"
#include "ViewerTestSupport.h"

#include <QtTest/QtTest>

using KelTest::Viewer;

namespace {

const QString kStalePath = QStringLiteral("stale-program");
const QStringList kStaleArgs{QStringLiteral("stale-1"), QStringLiteral("stale-2")};

// Both kinds for every row, since they share the rules.
void addForBothViewers(const char *row, const QString &commandLine, const QString &path, const QStringList &args)
{
    for (Viewer viewer : {Viewer::Pdf, Viewer::Web}) {
        QTest::addRow("%s/%s", KelTest::viewerName(viewer), row) << viewer << commandLine << path << args;
    }
}

} // namespace

class TestViewerLocation : public QObject
{
    Q_OBJECT

private slots:
    void defaultProgramFromHelpManager_data();
    void defaultProgramFromHelpManager();
    void defaultWithoutHelpManager_data();
    void defaultWithoutHelpManager();
    void defaultHelpManagerKnowsNone_data();
    void defaultHelpManagerKnowsNone();
    void userDefinedNothingStored_data();
    void userDefinedNothingStored();
    void userDefinedCommandLineSplit_data();
    void userDefinedCommandLineSplit();
};

void TestViewerLocation::defaultProgramFromHelpManager_data()
{
    QTest::addColumn<Viewer>("viewer");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("args");

    addForBothViewers("programAndPlaceholder", QStringLiteral("/usr/bin/xdg-open %1"),
                      QStringLiteral("/usr/bin/xdg-open"), {QStringLiteral("%1")});
    addForBothViewers("quotedProgram", QStringLiteral("\"/opt/my viewer/run\" -n %1"),
                      QStringLiteral("\"/opt/my viewer/run\""), {QStringLiteral("-n"), QStringLiteral("%1")});
}

// With the flag at its default, the host's program is what the user gets.
void TestViewerLocation::defaultProgramFromHelpManager()
{
    QFETCH(Viewer, viewer);
    QFETCH(QString, commandLine);
    QFETCH(QString, path);
    QFETCH(QStringList, args);

    KelTest::ScopedConfigHome home;
    KelTest::MessageRecorder recorder;
    KelTest::RecordingHelpManager manager;
    // The other kind's command is a decoy: each viewer must ask for its own.
    manager.pdfViewerCommand = viewer == Viewer::Pdf ? commandLine : QStringLiteral("wrong-pdf %1");
    manager.webBrowserCommand = viewer == Viewer::Web ? commandLine : QStringLiteral("wrong-web %1");
    manager.install();
    // A stored command line must not matter while the flag is on.
    KelTest::setCommandLine(viewer, QStringLiteral("stored-program %1"));

    Port::StringBase gotPath(kStalePath.toUtf8().constData());
    std::vector<Port::StringBase> gotArgs = KelTest::toPortList(kStaleArgs);
    QCOMPARE(KelTest::locate(viewer, gotPath, gotArgs), 0u);
    QCOMPARE(QString::fromUtf8(gotPath.c_str()), path);
    QCOMPARE(KelTest::toStringList(gotArgs), args);
    QVERIFY(recorder.lines().isEmpty());
    QVERIFY(manager.pdfFiles.isEmpty() && manager.urls.isEmpty());
}

void TestViewerLocation::defaultWithoutHelpManager_data()
{
    QTest::addColumn<Viewer>("viewer");
    QTest::newRow("pdf") << Viewer::Pdf;
    QTest::newRow("web") << Viewer::Web;
}

// A host that installed no manager has no default program: nothing, quietly.
void TestViewerLocation::defaultWithoutHelpManager()
{
    QFETCH(Viewer, viewer);

    KelTest::ScopedConfigHome home;
    KelTest::MessageRecorder recorder;
    QVERIFY(!Gui::Wisp::HelpManager::getInstance());

    Port::StringBase path(kStalePath.toUtf8().constData());
    std::vector<Port::StringBase> args = KelTest::toPortList(kStaleArgs);
    QCOMPARE(KelTest::locate(viewer, path, args), 0u);
    QCOMPARE(QString::fromUtf8(path.c_str()), QString());
    QVERIFY(args.empty());
    QVERIFY(recorder.lines().isEmpty());
}

void TestViewerLocation::defaultHelpManagerKnowsNone_data()
{
    QTest::addColumn<Viewer>("viewer");
    QTest::addColumn<QString>("warning");
    QTest::newRow("pdf") << Viewer::Pdf << QStringLiteral("336:Unable to determine location of PDF viewer\n");
    QTest::newRow("web") << Viewer::Web << QStringLiteral("363:Unable to determine location of web viewer\n");
}

// A manager answering a null command knows no program, which is not the same
// as a program with an empty name.
void TestViewerLocation::defaultHelpManagerKnowsNone()
{
    QFETCH(Viewer, viewer);
    QFETCH(QString, warning);

    KelTest::ScopedConfigHome home;
    KelTest::MessageRecorder recorder;
    KelTest::RecordingHelpManager manager;
    manager.install();

    Port::StringBase path(kStalePath.toUtf8().constData());
    std::vector<Port::StringBase> args = KelTest::toPortList(kStaleArgs);
    QCOMPARE(KelTest::locate(viewer, path, args), 1u);
    QCOMPARE(recorder.lines(), QStringList{warning});
    QCOMPARE(QString::fromUtf8(path.c_str()), kStalePath);
    QCOMPARE(KelTest::toStringList(args), kStaleArgs);
}

void TestViewerLocation::userDefinedNothingStored_data()
{
    defaultHelpManagerKnowsNone_data();
}

// The flag off with no command line stored: the caller's values stay as they were.
void TestViewerLocation::userDefinedNothingStored()
{
    QFETCH(Viewer, viewer);
    QFETCH(QString, warning);

    KelTest::ScopedConfigHome home;
    KelTest::MessageRecorder recorder;
    KelTest::RecordingHelpManager manager;  // installed, yet not asked
    manager.pdfViewerCommand = QStringLiteral("host-pdf %1");
    manager.webBrowserCommand = QStringLiteral("host-web %1");
    manager.install();
    KelTest::setUseDefault(viewer, false);

    Port::StringBase path(kStalePath.toUtf8().constData());
    std::vector<Port::StringBase> args = KelTest::toPortList(kStaleArgs);
    QCOMPARE(KelTest::locate(viewer, path, args), 1u);
    QCOMPARE(recorder.lines(), QStringList{warning});
    QVERIFY(KelTest::warningsFromUserSettings(recorder));
    QCOMPARE(QString::fromUtf8(path.c_str()), kStalePath);
    QCOMPARE(KelTest::toStringList(args), kStaleArgs);
}

void TestViewerLocation::userDefinedCommandLineSplit_data()
{
    QTest::addColumn<Viewer>("viewer");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("args");

    const QString quotedProgram = QStringLiteral("\"C:\\Program Files\\Reader\\reader.exe\"");
    addForBothViewers("quotedProgramWithArgs", quotedProgram + QStringLiteral(" /s %1"), quotedProgram,
                      {QStringLiteral("/s"), QStringLiteral("%1")});
    addForBothViewers("programAndPlaceholder", QStringLiteral("viewer %1"), QStringLiteral("viewer"),
                      {QStringLiteral("%1")});
    addForBothViewers("programOnly", QStringLiteral("viewer"), QStringLiteral("viewer"), {});
    addForBothViewers("quotedProgramOnly", quotedProgram, quotedProgram, {});
    // Without its closing quote nothing is the program; the text becomes arguments.
    addForBothViewers("unterminatedQuote", QStringLiteral("\"C:\\x y\\v.exe %1"), QString(),
                      {QStringLiteral("\"C:\\x"), QStringLiteral("y\\v.exe"), QStringLiteral("%1")});
    addForBothViewers("leadingBlank", QStringLiteral(" viewer %1"), QString(),
                      {QStringLiteral("viewer"), QStringLiteral("%1")});
    addForBothViewers("trailingBlanksAndTabs", QStringLiteral("viewer %1 \t "), QStringLiteral("viewer"),
                      {QStringLiteral("%1")});
    // Only a blank separates the program from its arguments.
    addForBothViewers("tabSeparator", QStringLiteral("viewer\t%1"), QStringLiteral("viewer\t%1"), {});
    addForBothViewers("quotedArgumentNotHonoured", QStringLiteral("viewer \"my file\""), QStringLiteral("viewer"),
                      {QStringLiteral("\"my"), QStringLiteral("file\"")});
    addForBothViewers("runsOfBlanks", QStringLiteral("viewer  a   b"), QStringLiteral("viewer"),
                      {QStringLiteral("a"), QStringLiteral("b")});
    addForBothViewers("utf8Program", QStringLiteral("/opt/bètà/viewer→ %1"), QStringLiteral("/opt/bètà/viewer→"),
                      {QStringLiteral("%1")});
}

// The stored command line, cut into program and arguments; the caller's
// previous arguments are replaced, never extended.
void TestViewerLocation::userDefinedCommandLineSplit()
{
    QFETCH(Viewer, viewer);
    QFETCH(QString, commandLine);
    QFETCH(QString, path);
    QFETCH(QStringList, args);

    KelTest::ScopedConfigHome home;
    KelTest::MessageRecorder recorder;
    KelTest::useUserDefined(viewer, commandLine);

    Port::StringBase gotPath(kStalePath.toUtf8().constData());
    std::vector<Port::StringBase> gotArgs = KelTest::toPortList(kStaleArgs);
    QCOMPARE(KelTest::locate(viewer, gotPath, gotArgs), 0u);
    QCOMPARE(QString::fromUtf8(gotPath.c_str()), path);
    QCOMPARE(KelTest::toStringList(gotArgs), args);
    QVERIFY(recorder.lines().isEmpty());
}

QTEST_GUILESS_MAIN(TestViewerLocation)
#include "tst_viewerlocation.moc"
