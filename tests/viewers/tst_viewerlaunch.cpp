// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of launching the PDF viewer and web browser: the host's program, a user-defined program, and what reaches it.
#include "ArgRecorder.h"
#include "RecordingHelpManager.h"
#include "VariantTransport.h"
#include "ViewerTestSupport.h"

#include <Gui/Wisp/Settings.h>
#include <Kel_ProductWebpage.h>
#include <Kel_ViewerCommand.h>

#include <QtCore/QDir>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <csignal>

using KelTest::Viewer;

namespace {

// How long a test waits before it trusts that a program's end was not reported.
constexpr int NotReportedGraceMs = 500;

// A private store, captured warnings, and a record file for the stand-in viewer.
class LaunchFixture
{
public:
    LaunchFixture() : m_record(KelTest::ArgRecorderOutVariable, QFile::encodeName(recordFile())) {}

    QString recordFile() const { return m_dir.path() + QLatin1String("/args.rec"); }
    QString path(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }
    QList<QByteArray> records(int count) const { return KelTest::waitForArgRecords(recordFile(), count); }
    QStringList warnings() const { return recorder.lines(); }

    KelTest::ScopedConfigHome home;
    KelTest::MessageRecorder recorder;

private:
    QTemporaryDir m_dir;
    KelTest::ScopedEnvironmentVariable m_record;
};

QString recorderCommand(const QString &args)
{
    return args.isEmpty() ? KelTest::argRecorderPath() : KelTest::argRecorderPath() + QLatin1Char(' ') + args;
}

// A file name turned into something no viewer takes for an option.
QString optionSafe(const QString &file)
{
    return QDir::toNativeSeparators(QStringLiteral("./")) + file;
}

void addViewerColumn()
{
    QTest::addColumn<Viewer>("viewer");
}

void addBothViewers()
{
    addViewerColumn();
    QTest::newRow("pdf") << Viewer::Pdf;
    QTest::newRow("web") << Viewer::Web;
}

} // namespace

class TestViewerLaunch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void defaultWithoutHelpManager_data();
    void defaultWithoutHelpManager();
    void defaultHelpManagerGetsTarget_data();
    void defaultHelpManagerGetsTarget();
    void defaultHelpManagerFails_data();
    void defaultHelpManagerFails();
    void userDefinedNothingStored_data();
    void userDefinedNothingStored();
    void userDefinedArguments_data();
    void userDefinedArguments();
    void quotedProgramInFolderWithBlank_data();
    void quotedProgramInFolderWithBlank();
    void programCannotStart_data();
    void programCannotStart();
    void programFailsSoonAfterStart_data();
    void programFailsSoonAfterStart();
    void targetArrivesAsOneArgument_data();
    void targetArrivesAsOneArgument();
    void launchFollowsChangedPreferences_data();
    void launchFollowsChangedPreferences();
    void urlRefused_data();
    void urlRefused();
#if defined(Q_OS_WIN)
    void windowsProgramNames_data();
    void windowsProgramNames();
#endif
};

void TestViewerLaunch::initTestCase()
{
    QVERIFY2(QFile::exists(KelTest::argRecorderPath()), "kel_argrecorder is not built beside the tests");
    QVERIFY(!Gui::Wisp::HelpManager::getInstance());
}

void TestViewerLaunch::defaultWithoutHelpManager_data()
{
    addBothViewers();
}

// The host's program is wanted but the host has none: quietly nothing, and in
// particular not the stored program.
void TestViewerLaunch::defaultWithoutHelpManager()
{
    QFETCH(Viewer, viewer);

    LaunchFixture fixture;
    KelTest::setCommandLine(viewer, recorderCommand(QStringLiteral("%1")));

    QCOMPARE(KelTest::launch(viewer, QStringLiteral("/tmp/a.pdf")), 0u);
    QVERIFY(fixture.warnings().isEmpty());
    QVERIFY(KelTest::staysAbsent(fixture.recordFile()));
}

void TestViewerLaunch::defaultHelpManagerGetsTarget_data()
{
    addViewerColumn();
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("expected");

    const QString pdf = QStringLiteral("/tmp/some dir/manual.pdf");
    QTest::newRow("pdf/nativeSeparators") << Viewer::Pdf << pdf << QDir::toNativeSeparators(pdf);
    const QString url = QStringLiteral("http://host/a/b?q=a b&x=%1#frag");
    QTest::newRow("web/unchanged") << Viewer::Web << url << url;
}

void TestViewerLaunch::defaultHelpManagerGetsTarget()
{
    QFETCH(Viewer, viewer);
    QFETCH(QString, target);
    QFETCH(QString, expected);

    LaunchFixture fixture;
    KelTest::RecordingHelpManager manager;
    manager.install();

    QCOMPARE(KelTest::launch(viewer, target), 0u);
    QCOMPARE(viewer == Viewer::Pdf ? manager.pdfFiles : manager.urls, QStringList{expected});
    QVERIFY((viewer == Viewer::Pdf ? manager.urls : manager.pdfFiles).isEmpty());
    QVERIFY(fixture.warnings().isEmpty());
}

void TestViewerLaunch::defaultHelpManagerFails_data()
{
    addViewerColumn();
    QTest::addColumn<QString>("warning");
    QTest::newRow("pdf") << Viewer::Pdf << QStringLiteral("183:Unable to launch pdf viewer");
    QTest::newRow("web") << Viewer::Web << QStringLiteral("241:Unable to launch web browser");
}

void TestViewerLaunch::defaultHelpManagerFails()
{
    QFETCH(Viewer, viewer);
    QFETCH(QString, warning);

    LaunchFixture fixture;
    KelTest::RecordingHelpManager manager;
    manager.runSucceeds = false;
    manager.install();

    QCOMPARE(KelTest::launch(viewer, QStringLiteral("/tmp/a.pdf")), 1u);
    QCOMPARE(fixture.warnings(), QStringList{warning});
    QVERIFY(KelTest::warningsFromUserSettings(fixture.recorder));
}

void TestViewerLaunch::userDefinedNothingStored_data()
{
    addViewerColumn();
    QTest::addColumn<QStringList>("warnings");
    QTest::newRow("pdf") << Viewer::Pdf
                         << QStringList{QStringLiteral("336:Unable to determine location of PDF viewer\n"),
                                        QStringLiteral("194:Unable to launch user-defined pdf viewer")};
    QTest::newRow("web") << Viewer::Web
                         << QStringList{QStringLiteral("363:Unable to determine location of web viewer\n"),
                                        QStringLiteral("253:Unable to launch user-defined HTML browser")};
}

void TestViewerLaunch::userDefinedNothingStored()
{
    QFETCH(Viewer, viewer);
    QFETCH(QStringList, warnings);

    LaunchFixture fixture;
    KelTest::RecordingHelpManager manager;  // installed, yet not the one asked
    manager.install();
    KelTest::setUseDefault(viewer, false);

    QCOMPARE(KelTest::launch(viewer, QStringLiteral("/tmp/a.pdf")), 1u);
    QCOMPARE(fixture.warnings(), warnings);
    QVERIFY(KelTest::warningsFromUserSettings(fixture.recorder));
    QVERIFY(manager.pdfFiles.isEmpty() && manager.urls.isEmpty());
}

void TestViewerLaunch::userDefinedArguments_data()
{
    addViewerColumn();
    QTest::addColumn<QString>("args");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("expected");

    const QString file = QStringLiteral("/tmp/docs/manual.pdf");
    const QString url = QStringLiteral("http://host/a?b=c&d=e");
    for (Viewer viewer : {Viewer::Pdf, Viewer::Web}) {
        const char *kind = KelTest::viewerName(viewer);
        const QString target = viewer == Viewer::Pdf ? file : url;
        const QString inPlace = KelTest::substituted(viewer, target);
        QTest::addRow("%s/placeholder", kind) << viewer << QStringLiteral("%1") << target << QStringList{inPlace};
        QTest::addRow("%s/placeholderInSeveralArgs", kind)
            << viewer << QStringLiteral("-p %1 --file=%1") << target
            << QStringList{QStringLiteral("-p"), inPlace, QStringLiteral("--file=") + inPlace};
        QTest::addRow("%s/placeholderTwiceInOneArg", kind)
            << viewer << QStringLiteral("%1%1") << target << QStringList{inPlace + inPlace};
        QTest::addRow("%s/noPlaceholderAppends", kind)
            << viewer << QStringLiteral("-a") << target << QStringList{QStringLiteral("-a"), target};
        QTest::addRow("%s/noArgumentsAppends", kind) << viewer << QString() << target << QStringList{target};
        // The target's own "%1" is data, not a further placeholder.
        const QString withPlaceholder = viewer == Viewer::Pdf ? QStringLiteral("/tmp/%1.pdf")
                                                              : QStringLiteral("http://host/?q=%1");
        QTest::addRow("%s/targetHoldsPlaceholder", kind)
            << viewer << QStringLiteral("-p %1 -q %1") << withPlaceholder
            << QStringList{QStringLiteral("-p"), KelTest::substituted(viewer, withPlaceholder), QStringLiteral("-q"),
                           KelTest::substituted(viewer, withPlaceholder)};
    }
    QTest::newRow("pdf/dashFileReplacesPlaceholder")
        << Viewer::Pdf << QStringLiteral("--file=%1") << QStringLiteral("-x.pdf")
        << QStringList{QStringLiteral("--file=") + optionSafe(QStringLiteral("-x.pdf"))};
    QTest::newRow("pdf/dashFileAppended") << Viewer::Pdf << QStringLiteral("-a") << QStringLiteral("-x.pdf")
                                          << QStringList{QStringLiteral("-a"), optionSafe(QStringLiteral("-x.pdf"))};
}

void TestViewerLaunch::userDefinedArguments()
{
    QFETCH(Viewer, viewer);
    QFETCH(QString, args);
    QFETCH(QString, target);
    QFETCH(QStringList, expected);

    LaunchFixture fixture;
    KelTest::useUserDefined(viewer, recorderCommand(args));

    QCOMPARE(KelTest::launch(viewer, target), 0u);
    QCOMPARE(fixture.records(expected.size()), KelTest::toByteArrays(expected));
    QVERIFY(fixture.warnings().isEmpty());
    // What the check shows is what the launch passed.
    const Kel::ViewerCommand check(viewer == Viewer::Pdf ? Kel::ViewerCommand::PdfViewer : Kel::ViewerCommand::WebBrowser,
                                   recorderCommand(args), target);
    QCOMPARE(check.arguments(), expected);
    QCOMPARE(check.problems(), QList<Kel::ViewerCommand::Problem>());
}

void TestViewerLaunch::quotedProgramInFolderWithBlank_data()
{
    addBothViewers();
}

// A program path with blanks is written quoted; the quotes are not part of its name.
void TestViewerLaunch::quotedProgramInFolderWithBlank()
{
    QFETCH(Viewer, viewer);

    LaunchFixture fixture;
    const QString folder = fixture.path(QStringLiteral("my viewers"));
    QVERIFY(QDir().mkpath(folder));
    const QString program = folder + QLatin1String("/viewer");
    QVERIFY(QFile::copy(KelTest::argRecorderPath(), program));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(KelTest::argRecorderPath())));
    KelTest::useUserDefined(viewer, QLatin1Char('"') + program + QLatin1String("\" -n %1"));

    const QString target = QStringLiteral("/tmp/a.pdf");
    QCOMPARE(KelTest::launch(viewer, target), 0u);
    QCOMPARE(fixture.records(2), (QList<QByteArray>{"-n", KelTest::substituted(viewer, target).toUtf8()}));
    QVERIFY(fixture.warnings().isEmpty());
}

void TestViewerLaunch::programCannotStart_data()
{
    addViewerColumn();
    QTest::addColumn<QString>("program");  // "<dir>" stands for the fixture's folder
    QTest::addColumn<QString>("warning");

    const QString pdfWarning = QStringLiteral("221:Unable to launch pdf viewer");
    const QString webWarning = QStringLiteral("307:Unable to launch web browser");
    const QList<QPair<const char *, QString>> programs{
        {"missingProgram", QStringLiteral("/nonexistent-kel-dir/viewer")},
        {"notOnPath", QStringLiteral("kel-no-such-viewer")},
        // A leading blank leaves no program at all.
        {"emptyProgram", QString()},
        {"notExecutable", QStringLiteral("<dir>/plain")},
        {"notAProgram", QStringLiteral("<dir>/garbage")},
        {"directory", QStringLiteral("<dir>")},
    };
    for (Viewer viewer : {Viewer::Pdf, Viewer::Web}) {
        for (const auto &program : programs)
            QTest::addRow("%s/%s", KelTest::viewerName(viewer), program.first)
                << viewer << program.second << (viewer == Viewer::Pdf ? pdfWarning : webWarning);
    }
}

// A program that cannot run is known before the call returns: result 1, the
// fixed warning alone on the host's channel, the reason naming the program in
// the library's log.
void TestViewerLaunch::programCannotStart()
{
    QFETCH(Viewer, viewer);
    QFETCH(QString, program);
    QFETCH(QString, warning);

    LaunchFixture fixture;
    QFile plain(fixture.path(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write("#!/bin/true\n") > 0);
    plain.close();
    QFile garbage(fixture.path(QStringLiteral("garbage")));
    QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("\x7f\x01 not a program\n") > 0);
    garbage.close();
    QVERIFY(garbage.setPermissions(garbage.permissions() | QFile::ExeOwner));
    program.replace(QLatin1String("<dir>"), fixture.path(QString()).chopped(1));
    KelTest::useUserDefined(viewer, (program.isEmpty() ? QStringLiteral(" ") : program + QLatin1Char(' '))
                                        + recorderCommand(QStringLiteral("%1")));

    const QString target = QStringLiteral("/tmp/a.pdf");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(
                                           QLatin1String("Could not start '") + QDir::toNativeSeparators(program)
                                           + QLatin1String("' for '") + target + QLatin1String("': "))));
    QCOMPARE(KelTest::launch(viewer, target), 1u);
    QCOMPARE(fixture.warnings(), QStringList{warning});
    QVERIFY(KelTest::warningsFromUserSettings(fixture.recorder));
    QVERIFY(KelTest::staysAbsent(fixture.recordFile()));
}

void TestViewerLaunch::programFailsSoonAfterStart_data()
{
    addViewerColumn();
    QTest::addColumn<QByteArray>("exitSetting");
    QTest::addColumn<QString>("ending");  // empty: no warning
    QTest::addColumn<unsigned>("line");

    QTest::newRow("pdf/exit 1") << Viewer::Pdf << QByteArray("1") << QStringLiteral("ended with exit status 1") << 221u;
    QTest::newRow("web/exit 1") << Viewer::Web << QByteArray("1") << QStringLiteral("ended with exit status 1") << 307u;
#if defined(Q_OS_WIN)
    // Windows has no signals: the C runtime's abort ends the program with status 3.
    QTest::newRow("pdf/abort") << Viewer::Pdf << QByteArray("abort") << QStringLiteral("ended with exit status 3")
                               << 221u;
#else
    QTest::newRow("pdf/signal") << Viewer::Pdf << QByteArray("abort")
                                << QStringLiteral("was ended by signal %1").arg(SIGABRT) << 221u;
#endif
    QTest::newRow("web/exit 0") << Viewer::Web << QByteArray("0") << QString() << 307u;
}

// The start succeeded, so the result is 0; a program that fails right after
// is still reported, on the thread of the application's event loop.
void TestViewerLaunch::programFailsSoonAfterStart()
{
    QFETCH(Viewer, viewer);
    QFETCH(QByteArray, exitSetting);
    QFETCH(QString, ending);
    QFETCH(unsigned, line);

    LaunchFixture fixture;
    const KelTest::ScopedEnvironmentVariable exit("KEL_ARGRECORDER_EXIT", exitSetting);
    KelTest::useUserDefined(viewer, recorderCommand(QStringLiteral("%1")));

    const QString target = QStringLiteral("/tmp/a.pdf");
    QCOMPARE(KelTest::launch(viewer, target), 0u);
    QCOMPARE(fixture.records(1), QList<QByteArray>{KelTest::substituted(viewer, target).toUtf8()});
    if (ending.isEmpty()) {
        QTest::qWait(NotReportedGraceMs);
        QVERIFY(fixture.warnings().isEmpty());
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(fixture.warnings().size(), 1, KelTest::ArgRecordWaitMs);
    const QString expected = QString::number(line) + QLatin1String(":'") + QDir::toNativeSeparators(KelTest::argRecorderPath())
                             + QLatin1String("' for '") + target + QLatin1String("' ") + ending;
    QVERIFY2(fixture.warnings().at(0).startsWith(expected), qPrintable(fixture.warnings().at(0)));
    QVERIFY(KelTest::warningsFromUserSettings(fixture.recorder));
    QVERIFY(fixture.recorder.allArrivedOn(QThread::currentThread()));
}

void TestViewerLaunch::targetArrivesAsOneArgument_data()
{
    addViewerColumn();
    QTest::addColumn<QString>("args");
    QTest::addColumn<QString>("payload");  // "MARKER" stands for the marker file's path

    const QList<QPair<const char *, QString>> payloads{
        {"blanks", QStringLiteral("/tmp/my file  name.pdf")},
        {"doubleQuotes", QStringLiteral("/tmp/a\"b\" \"c.pdf")},
        {"semicolon", QStringLiteral("/tmp/a.pdf; touch MARKER")},
        {"commandSubstitution", QStringLiteral("/tmp/$(touch MARKER).pdf")},
        {"backticks", QStringLiteral("/tmp/`touch MARKER`.pdf")},
        {"newline", QStringLiteral("/tmp/a\ntouch MARKER\n.pdf")},
        {"pipeAndRedirect", QStringLiteral("/tmp/a.pdf | tee MARKER > MARKER")},
        {"utf8", QStringLiteral("/tmp/Prüfung→数据.pdf")},
    };
    for (Viewer viewer : {Viewer::Pdf, Viewer::Web}) {
        for (const auto &payload : payloads) {
            QTest::addRow("%s/placeholder/%s", KelTest::viewerName(viewer), payload.first)
                << viewer << QStringLiteral("%1") << payload.second;
            QTest::addRow("%s/appended/%s", KelTest::viewerName(viewer), payload.first)
                << viewer << QString() << payload.second;
        }
    }
}

// No shell stands between the library and the program: whatever the file or
// URL holds reaches the program as one argument, byte for byte, and runs nothing.
void TestViewerLaunch::targetArrivesAsOneArgument()
{
    QFETCH(Viewer, viewer);
    QFETCH(QString, args);
    QFETCH(QString, payload);

    LaunchFixture fixture;
    const QString marker = fixture.path(QStringLiteral("marker"));
    const QString target = QString(payload).replace(QLatin1String("MARKER"), marker);
    KelTest::useUserDefined(viewer, recorderCommand(args));

    QCOMPARE(KelTest::launch(viewer, target), 0u);
    const QString received = args.isEmpty() ? target : KelTest::substituted(viewer, target);
    QCOMPARE(fixture.records(1), QList<QByteArray>{received.toUtf8()});
    QVERIFY(fixture.warnings().isEmpty());
    QVERIFY2(KelTest::staysAbsent(marker), "the target was run as a command");
}

void TestViewerLaunch::launchFollowsChangedPreferences_data()
{
    addViewerColumn();
    QTest::addColumn<QString>("changedBy");
    for (Viewer viewer : {Viewer::Pdf, Viewer::Web}) {
        for (const char *changedBy : {"this process", "a store object still open", "a QSettings program"})
            QTest::addRow("%s/%s", KelTest::viewerName(viewer), changedBy) << viewer << QString::fromLatin1(changedBy);
    }
}

// A launch takes its command line from the one before while the preferences
// stay the same; every change is seen by the next launch, wherever it was made.
void TestViewerLaunch::launchFollowsChangedPreferences()
{
    QFETCH(Viewer, viewer);
    QFETCH(QString, changedBy);

    LaunchFixture fixture;
    KelTest::useUserDefined(viewer, recorderCommand(QStringLiteral("first %1")));
    const QString target = QStringLiteral("/tmp/a.pdf");
    const QByteArray arrives = KelTest::substituted(viewer, target).toUtf8();
    QCOMPARE(KelTest::launch(viewer, target), 0u);
    QCOMPARE(fixture.records(2), (QList<QByteArray>{"first", arrives}));

    const QString second = recorderCommand(QStringLiteral("second %1"));
    const QString key = viewer == Viewer::Pdf ? QStringLiteral("PDFViewer") : QStringLiteral("WebBrowser");
    if (changedBy == QLatin1String("this process")) {
        KelTest::setCommandLine(viewer, second);
    } else if (changedBy == QLatin1String("a store object still open")) {
        Gui::Wisp::Settings store("Molvane", true, true, true);
        store.setValue(key, second);
        QVERIFY(store.sync());  // its changes are its own until written
        QCOMPARE(KelTest::launch(viewer, target), 0u);
    } else {
        const QString file = Gui::Wisp::Settings("Molvane", true, true, true).fileName();
        const KelTest::ChildResult peer = KelTest::runProgram(
            KelTest::binDir() + QLatin1String("/kel_qsettings_peer"),
            {QStringLiteral("set"), file, key, QString::fromLatin1(KelTest::encodedVariant(second))});
        QVERIFY2(peer.finished && peer.exitCode == 0, peer.err.constData());
    }
    if (changedBy != QLatin1String("a store object still open"))
        QCOMPARE(KelTest::launch(viewer, target), 0u);
    QCOMPARE(fixture.records(4).mid(2), (QList<QByteArray>{"second", arrives}));
    QVERIFY(fixture.warnings().isEmpty());
}

void TestViewerLaunch::urlRefused_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("singleDash") << QStringLiteral("-remote http://host/");
    QTest::newRow("doubleDash") << QStringLiteral("--help");
    QTest::newRow("dashOnly") << QStringLiteral("-");
    QTest::newRow("empty") << QString();
}

// A URL that a browser would read as an option, or none at all, is refused,
// not passed on: the host hears the fixed warning, the log why.
void TestViewerLaunch::urlRefused()
{
    QFETCH(QString, url);

    LaunchFixture fixture;
    KelTest::useUserDefined(Viewer::Web, recorderCommand(QStringLiteral("%1")));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(
                                           QLatin1String("Refusing to open '") + url + QLatin1String("'"))));
    QCOMPARE(KelTest::launch(Viewer::Web, url), 1u);
    QCOMPARE(fixture.warnings(), QStringList{QStringLiteral("307:Unable to launch web browser")});
    QVERIFY(KelTest::warningsFromUserSettings(fixture.recorder));
    QVERIFY(KelTest::staysAbsent(fixture.recordFile()));
}

#if defined(Q_OS_WIN)
void TestViewerLaunch::windowsProgramNames_data()
{
    addViewerColumn();
    QTest::addColumn<QString>("commandLine");  // <dir>: the folder of v.bat, v.cmd, viewer.bat and rec.exe
    QTest::addColumn<QString>("target");       // for the product page, the core's full name
    QTest::addColumn<bool>("productPage");
    QTest::addColumn<bool>("starts");

    // Each batch file would start the recorder with what cmd.exe leaves of its arguments.
    const QString file = QStringLiteral("R&D.pdf");
    QTest::newRow("batch file given R&D.pdf") << Viewer::Pdf << "\"<dir>\\v.bat\" %1" << file << false << false;
    QTest::newRow("argument a&ver>inj.txt") << Viewer::Pdf << "\"<dir>\\v.bat\" a&ver>inj.txt %1"
                                            << QStringLiteral("manual.pdf") << false << false;
    QTest::newRow("product page, its URL full of &") << Viewer::Web << "\"<dir>\\v.bat\" %1"
                                                     << QStringLiteral("core_v1_2") << true << false;
    QTest::newRow("bare name finding viewer.bat") << Viewer::Pdf << "viewer %1" << file << false << false;
    QTest::newRow(".cmd") << Viewer::Web << "\"<dir>\\v.cmd\" %1"
                          << QStringLiteral("https://example.com/?a=1&ver>inj.txt") << false << false;
    QTest::newRow("upper case, trailing dot") << Viewer::Pdf << "\"<dir>\\V.BAT.\" %1" << file << false << false;
    QTest::newRow("path without .exe") << Viewer::Pdf << "\"<dir>\\rec\" %1" << file << false << true;
}

// A batch file is never started, however it is named: CreateProcessW would
// hand it to cmd.exe, which reads & and > in a file name or URL as commands.
// A path without extension starts the program with ".exe" added.
void TestViewerLaunch::windowsProgramNames()
{
    QFETCH(Viewer, viewer);
    QFETCH(QString, commandLine);
    QFETCH(QString, target);
    QFETCH(bool, productPage);
    QFETCH(bool, starts);

    LaunchFixture fixture;
    const QString dir = QDir::toNativeSeparators(fixture.path(QString()).chopped(1));
    const QByteArray call = "@\"" + QDir::toNativeSeparators(KelTest::argRecorderPath()).toUtf8() + "\" %*\r\n";
    for (const char *name : {"v.bat", "v.cmd", "viewer.bat"}) {
        QFile batch(fixture.path(QLatin1String(name)));
        QVERIFY(batch.open(QIODevice::WriteOnly) && batch.write(call) == call.size());
    }
    QVERIFY(QFile::copy(KelTest::argRecorderPath(), fixture.path(QStringLiteral("rec.exe"))));
    const KelTest::ScopedEnvironmentVariable path("PATH", QFile::encodeName(dir) + ';' + qgetenv("PATH"));
    const KelTest::ScopedEnvironmentVariable site("DRV_TESTSITE", QByteArray("http://127.0.0.1:9"));
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir));
    commandLine.replace(QLatin1String("<dir>"), dir);
    KelTest::useUserDefined(viewer, commandLine);
    const Kel::ViewerCommand check(viewer == Viewer::Pdf ? Kel::ViewerCommand::PdfViewer : Kel::ViewerCommand::WebBrowser,
                                   commandLine, target);

    if (!starts)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Could not start '.*' for '.*': a batch file")));
    if (productPage)
        Kel::ProductWebpage::View(Kel::Utility::QStringToPortString(target));
    else
        QCOMPARE(KelTest::launch(viewer, target), starts ? 0u : 1u);
    const bool recorded = starts ? fixture.records(1) == QList<QByteArray>{target.toUtf8()}
                                 : KelTest::staysAbsent(fixture.recordFile());
    QDir::setCurrent(cwd);
    QVERIFY(recorded);
    QVERIFY(!QFile::exists(fixture.path(QStringLiteral("inj.txt"))));
    QCOMPARE(check.problems().contains(Kel::ViewerCommand::BatchFile), !starts);
    const QString warning = viewer == Viewer::Pdf ? QStringLiteral("221:Unable to launch pdf viewer")
                                                  : QStringLiteral("307:Unable to launch web browser");
    QCOMPARE(fixture.warnings(), starts ? QStringList() : QStringList{warning});
}
#endif

QTEST_GUILESS_MAIN(TestViewerLaunch)
#include "tst_viewerlaunch.moc"
