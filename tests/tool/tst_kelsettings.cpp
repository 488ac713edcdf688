// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// End-to-end tests of kel-settings: the built tool run as a child process on a private store.
#include "ArgRecorder.h"
#include "KelTestSupport.h"
#include "ViewerCommandTable.h"

#include <Kel_UserSettings.h>

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <cstdio>

namespace {

using Env = QList<QPair<QString, QString>>;
using CommandLines = QList<QStringList>;

constexpr int UsageExit = 2;
constexpr int FailureExit = 1;
constexpr char RecorderToken[] = "<rec>";
constexpr char TestSite[] = "http://test.invalid";
// The recording program's copy in a folder with a blank; Windows takes only a
// file whose extension names a program for one.
#if defined(Q_OS_WIN)
constexpr char RecorderCopyName[] = "rec.exe";
constexpr char RelativeViewerName[] = "kel-relative-viewer.exe";
#else
constexpr char RecorderCopyName[] = "rec";
constexpr char RelativeViewerName[] = "kel-relative-viewer";
#endif
constexpr char ErrorPrefix[] = "kel-settings: error: ";
// In an argument, the byte 0xE9 alone, which is no UTF-8 text.
constexpr char RawByteToken[] = "<e9>";

// A command line without blanks inside its arguments, written as one string.
QStringList words(const char *line)
{
    return QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// "set KEY VALUE --force" for a command line that holds blanks; forced
// because its program stands in for one that need not exist here.
QStringList setTo(const char *key, const QString &value)
{
    return {QStringLiteral("set"), QString::fromUtf8(key), value, QStringLiteral("--force")};
}

QString toolPath()
{
#if defined(Q_OS_WIN)
    return KelTest::binDir() + QLatin1String("/kel-settings.exe");
#else
    return KelTest::binDir() + QLatin1String("/kel-settings");
#endif
}

// Arguments holding RawByteToken go through bash, which alone can pass the byte.
KelTest::ChildResult runTool(const QStringList &args, const Env &env = {}, const QStringList &unset = {})
{
    if (!args.join(QString()).contains(QLatin1String(RawByteToken)))
        return KelTest::runProgram(toolPath(), args, env, unset);
    const QString script = QStringLiteral("a=(); for x; do a+=(\"${x//<e9>/$'\\xe9'}\"); done; exec \"${a[@]}\"");
    return KelTest::runProgram(QStringLiteral("bash"), QStringList{QStringLiteral("-c"), script, QStringLiteral("bash"), toolPath()} + args,
                               Env(env) << qMakePair(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8")), unset);
}

KelTest::ChildResult runToolIn(const QString &workingDirectory, const QStringList &args, const Env &env = {})
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto &variable : env)
        environment.insert(variable.first, variable.second);
    process.setProcessEnvironment(environment);
    process.start(toolPath(), args);
    KelTest::ChildResult result;
    result.finished = process.waitForFinished();
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// The tool ends its lines the platform's way.
#if defined(Q_OS_WIN)
constexpr char LineEnd[] = "\r\n";
#else
constexpr char LineEnd[] = "\n";
#endif

// What the tool wrote: UTF-8 on Windows, the local 8-bit encoding elsewhere.
QString textOf(const QByteArray &bytes)
{
#if defined(Q_OS_WIN)
    return QString::fromUtf8(bytes);
#else
    return QString::fromLocal8Bit(bytes);
#endif
}

QStringList linesOf(const QByteArray &bytes)
{
    QStringList lines = textOf(bytes).split(QLatin1String(LineEnd));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray describe(const KelTest::ChildResult &result)
{
    return "exit " + QByteArray::number(result.exitCode) + ", stderr: " + result.err;
}

QJsonValue member(const QJsonValue &object, const char *name)
{
    return object.toObject().value(QString::fromUtf8(name));
}

QJsonObject jsonOf(const KelTest::ChildResult &result)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        qWarning("not a JSON object: %s", result.out.constData());
    return document.object();
}

// Null when the file does not exist, so "no store yet" and "empty store" differ.
QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool createFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

// A store as a person or another program wrote it.
bool writeStore(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// The keys of the store as a QSettings peer reads them, sorted.
QStringList storeKeys(const QString &path)
{
    QSettings peer(path, QSettings::IniFormat);
    QStringList keys = peer.allKeys();
    keys.sort();
    return keys;
}

// The copies that reset kept beside the store.
QStringList keptCopies(const QString &storeFile)
{
    const QFileInfo store(storeFile);
    return QDir(store.path()).entryList({store.fileName() + QStringLiteral(".before-reset-*")}, QDir::Files);
}

CommandLines withRecorder(CommandLines commands, const QString &recorder)
{
    for (QStringList &command : commands)
        command.replaceInStrings(QLatin1String(RecorderToken), recorder);
    return commands;
}

} // namespace

class KelSettingsTest : public QObject
{
    Q_OBJECT

private:
    // Runs each command line in turn and stops the test at the first failure.
    void runAll(const CommandLines &commands)
    {
        for (const QStringList &command : commands) {
            const KelTest::ChildResult result = runTool(command);
            QVERIFY2(result.finished && result.exitCode == 0, describe(result).constData());
        }
    }

    // A copy of the recording stand-in under a folder name with a blank, the
    // way viewers live under "Program Files" or "/opt/my browser".
    QString recorderWithBlankInPath(const QTemporaryDir &dir)
    {
        const QString folder = dir.path() + QLatin1String("/my browser");
        QDir().mkpath(folder);
        const QString copy = folder + QLatin1Char('/') + QLatin1String(RecorderCopyName);
        QFile::copy(KelTest::argRecorderPath(), copy);
        return copy;
    }

    // The desktop opener is looked up on PATH: this one records instead of opening.
    QString installDesktopOpener(const QTemporaryDir &dir)
    {
        const QString folder = dir.path() + QLatin1String("/bin");
        const QString opener = folder + QLatin1String("/xdg-open");
        if (!QDir().mkpath(folder) || !QFile::copy(KelTest::argRecorderPath(), opener))
            return QString();
        return opener;
    }

    // What "which" shows for the desktop's default program: the opener and
    // "%1"; on Windows the command line registered for the file type, which
    // the test run points at the argument recorder.
    QStringList defaultProgramLines(const QString &opener)
    {
#if defined(Q_OS_WIN)
        Q_UNUSED(opener)
        return {QLatin1Char('"') + QDir::toNativeSeparators(KelTest::argRecorderPath()) + QLatin1Char('"'),
                QStringLiteral("\"%1\"")};
#else
        return {opener, QStringLiteral("%1")};
#endif
    }

    QPair<QString, QString> pathWithOpener(const QString &opener)
    {
        return {QStringLiteral("PATH"), QFileInfo(opener).path() + QDir::listSeparator() + qEnvironmentVariable("PATH")};
    }

private slots:
    void setThenGetEveryPreference_data();
    void setThenGetEveryPreference();
    void refusedCommandLineChangesNothing_data();
    void refusedCommandLineChangesNothing();
    void listShowsTheWholeStore();
    void whichPrintsProgramAndArguments_data();
    void whichPrintsProgramAndArguments();
    void launcherFailureExitsOneWithTheWarning_data();
    void launcherFailureExitsOneWithTheWarning();
    void launcherReachesTheProgram_data();
    void launcherReachesTheProgram();
    void programFailingAtOnceExitsOne_data();
    void programFailingAtOnceExitsOne();
    void whichSaysWhyAListIsNoCommandLine_data();
    void whichSaysWhyAListIsNoCommandLine();
    void recentAddIsSeenByLaterInvocations();
    void recentAddStoresAnAbsolutePath();
    void resetRemovesOnlyThatKey_data();
    void resetRemovesOnlyThatKey();
    void resetWithYesRemovesEveryValue();
    void configDirOptionSelectsTheStore();
    void helpShowsWhatACommandTakes_data();
    void helpShowsWhatACommandTakes();
    void setChecksAViewerCommand_data();
    void setChecksAViewerCommand();
    void storedValueShowsAsTheLibraryReadsIt_data();
    void storedValueShowsAsTheLibraryReadsIt();
    void resetKeepsACopyAndOtherPrograms_data();
    void resetKeepsACopyAndOtherPrograms();
    void recentChangesTheList_data();
    void recentChangesTheList();
    void completionOffersWhatFits_data();
    void completionOffersWhatFits();
};

void KelSettingsTest::setThenGetEveryPreference_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("shown");

    QTest::newRow("pdf default flag, word") << "UseDefaultPDFViewer" << "no" << "false";
    QTest::newRow("browser default flag, upper case") << "UseDefaultWebBrowser" << "OFF" << "false";
    QTest::newRow("open previous, mixed case") << "OpenPreviousProject" << "Yes" << "true";
    QTest::newRow("overwrite, digit") << "OverwriteFiles" << "1" << "true";
    QTest::newRow("readme, on/off") << "DisplayReadme" << "off" << "false";
    QTest::newRow("pdf viewer") << "PDFViewer" << "okular --page 2 %1" << "okular --page 2 %1";
    QTest::newRow("browser, quoted path") << "WebBrowser" << "\"/opt/my browser/b\" --new %1"
                                          << "\"/opt/my browser/b\" --new %1";
    QTest::newRow("browser, non-ASCII") << "WebBrowser" << QString::fromUtf8("/opt/navigateur \xc3\xa9t\xc3\xa9/b %1")
                                        << QString::fromUtf8("/opt/navigateur \xc3\xa9t\xc3\xa9/b %1");
    // Outside every Windows code page: CJK, an emoji, a combining mark.
    const QString beyondCodePages = QStringLiteral("/opt/\u6d4f\u89c8\u5668 \U0001F600 e\u0301/b %1");
    QTest::newRow("browser, beyond the code page") << "WebBrowser" << beyondCodePages << beyondCodePages;
    QTest::newRow("browser, empty") << "WebBrowser" << "" << "";
    QTest::newRow("memory, lowest index") << "JavaMemorySize" << "0" << "256";
    QTest::newRow("memory, highest index") << "JavaMemorySize" << "4" << "4096";
    QTest::newRow("memory, size") << "JavaMemorySize" << "512" << "512";
    QTest::newRow("memory, size with leading zero") << "JavaMemorySize" << "02048" << "2048";
    QTest::newRow("count, zero") << "RecentProjectCount" << "0" << "0";
    QTest::newRow("count, upper bound") << "RecentProjectCount" << "1000000" << "1000000";
    QTest::newRow("count, negative: no limit") << "RecentProjectCount" << "-1" << "-1";
    QTest::newRow("count, lower bound") << "RecentProjectCount" << "-1000000" << "-1000000";
}

void KelSettingsTest::setThenGetEveryPreference()
{
    QFETCH(QString, key);
    QFETCH(QString, input);
    QFETCH(QString, shown);
    KelTest::ScopedConfigHome home;

    // Forced: the viewers' programs here stand for programs this machine need not have.
    const KelTest::ChildResult set = runTool({QStringLiteral("set"), key, input, QStringLiteral("--force")});
    QVERIFY2(set.exitCode == 0, describe(set).constData());
    QVERIFY(set.out.isEmpty());
    // A command line stored while the default program is used says it waits unused.
    const bool commandLine = key == QLatin1String("PDFViewer") || key == QLatin1String("WebBrowser");
    QCOMPARE(set.err.isEmpty(), !commandLine);
    QVERIFY2(set.err.isEmpty() || textOf(set.err).contains(QStringLiteral("unused while UseDefault")), set.err.constData());

    const KelTest::ChildResult get = runTool({QStringLiteral("get"), key});
    QVERIFY2(get.exitCode == 0, describe(get).constData());
    QCOMPARE(linesOf(get.out), QStringList{shown});

    const QJsonObject json = jsonOf(runTool({QStringLiteral("get"), key, QStringLiteral("--json")}));
    QCOMPARE(json.value(QStringLiteral("key")).toString(), key);
    QCOMPARE(json.value(QStringLiteral("fromDefault")).toBool(), false);
}

void KelSettingsTest::refusedCommandLineChangesNothing_data()
{
    QTest::addColumn<bool>("storeExists");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("named");  // what the error must name for the user

    QTest::newRow("unknown key") << true << words("set Colour 1") << "RecentProjectCount";
    QTest::newRow("key in wrong case") << true << words("set overwritefiles 1") << "OverwriteFiles";
    QTest::newRow("flag maybe") << true << words("set OverwriteFiles maybe") << "yes/no";
    QTest::newRow("flag with blank") << true << (words("set DisplayReadme") << QStringLiteral(" true")) << "true/false";
    QTest::newRow("flag empty") << false << (words("set DisplayReadme") << QString()) << "1/0";
    QTest::newRow("number with text") << true << words("set RecentProjectCount 12abc") << "1000000";
    QTest::newRow("count below range") << true << words("set RecentProjectCount -1000001") << "-1000000 to 1000000";
    QTest::newRow("negative where the key takes none") << true << words("set JavaMemorySize -1") << "0 to 4";
    QTest::newRow("misspelt option") << true << words("list --jsn") << "unknown option '--jsn'";
    QTest::newRow("value to a switch") << true << words("list --json=yes") << "takes no value";
    QTest::newRow("number above range") << true << words("set RecentProjectCount 1000001") << "1000000";
    QTest::newRow("number beyond 32 bits") << true << words("set RecentProjectCount 4294967296") << "1000000";
    QTest::newRow("number with plus") << false << words("set RecentProjectCount +5") << "1000000";
    QTest::newRow("memory size not offered") << true << words("set JavaMemorySize 3000")
                                             << "256, 512, 1024, 2048, 4096";
    QTest::newRow("memory index past end") << true << words("set JavaMemorySize 5") << "0 to 4";
    QTest::newRow("missing value") << true << words("set OverwriteFiles") << "set KEY VALUE";
    QTest::newRow("extra value") << true << words("set OverwriteFiles 1 2") << "set KEY VALUE";
    QTest::newRow("json with set") << true << words("set --json OverwriteFiles 1") << "--json";
    QTest::newRow("reset all without yes") << true << words("reset") << "--yes";
    QTest::newRow("reset unknown key") << true << words("reset Colour") << "WindowState";
    QTest::newRow("recent add without file") << true << words("recent add") << "recent [add FILE";
    QTest::newRow("recent clear with a file") << true << words("recent clear x") << "recent [add FILE";
    QTest::newRow("recent, unknown action") << true << words("recent drop x") << "remove PATH";
    QTest::newRow("force where nothing is checked") << true << words("list --force") << "set and recent";
    QTest::newRow("force with recent remove") << true << words("recent remove x --force") << "recent add";
    QTest::newRow("reset of one key and all") << true << words("reset DisplayReadme --all --yes") << "--all";
    QTest::newRow("reset --all without yes") << true << words("reset --all") << "--yes";
    QTest::newRow("help on unknown command") << true << words("help frobnicate") << "frobnicate";
    QTest::newRow("--help on unknown command") << true << words("--help frobnicate") << "unknown command 'frobnicate'";
    QTest::newRow("help-all is not offered") << true << words("--help-all") << "help-all";
    QTest::newRow("which of unknown viewer") << true << words("which mail") << "browser";
    QTest::newRow("unknown command") << true << words("frobnicate") << "frobnicate";
    QTest::newRow("no command") << false << QStringList() << "--help";
    QTest::newRow("unknown option") << true << words("--colour list") << "colour";
}

void KelSettingsTest::refusedCommandLineChangesNothing()
{
    QFETCH(bool, storeExists);
    QFETCH(QStringList, args);
    QFETCH(QString, named);
    KelTest::ScopedConfigHome home;
    if (storeExists)
        runAll({words("set OverwriteFiles yes"), words("set RecentProjectCount 7")});
    const QByteArray before = fileBytes(home.storeFile());
    QCOMPARE(before.isNull(), !storeExists);

    const KelTest::ChildResult result = runTool(args);
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, UsageExit);
    QVERIFY(result.out.isEmpty());
    const QString error = textOf(result.err);
    QVERIFY2(error.startsWith(QLatin1String(ErrorPrefix)), result.err.constData());
    QVERIFY2(error.contains(named), result.err.constData());

    QCOMPARE(fileBytes(home.storeFile()), before);
    QCOMPARE(QFile::exists(home.storeFile()), storeExists);
}

void KelSettingsTest::listShowsTheWholeStore()
{
    KelTest::ScopedConfigHome home;
    QTemporaryDir projects;
    const QString kept = projects.path() + QLatin1String("/kept.qpf");
    const QString gone = projects.path() + QLatin1String("/gone.qpf");
    QVERIFY(createFile(kept));
    QVERIFY(createFile(gone));
    runAll({words("recent add") << kept, words("recent add") << gone, words("set RecentProjectCount 9"),
            words("set JavaMemorySize 4096")});
    QVERIFY(QFile::remove(gone));
    // The display state has no command of its own: the application writes it.
    Kel::UserSettings::SetWindowState(QByteArray(5, 'w'));
    Kel::UserSettings::SetWidgetState(QString(), QByteArray(12, 'e'));
    Kel::UserSettings::SetWidgetState(QStringLiteral("mainSplitter"), QByteArray(30, 's'));

    const KelTest::ChildResult text = runTool(words("list"));
    QVERIFY2(text.exitCode == 0, describe(text).constData());
    const QStringList lines = linesOf(text.out);
    QVERIFY(lines.contains(QStringLiteral("UseDefaultPDFViewer = true (default)")));
    QVERIFY(lines.contains(QStringLiteral("WebBrowser = (not set) (default)")));
    QVERIFY(lines.contains(QStringLiteral("RecentProjectCount = 9")));
    QVERIFY(lines.contains(QStringLiteral("JavaMemorySize = 4096 MB (choice 4)")));
    QVERIFY(lines.contains(QStringLiteral("  ") + gone + QStringLiteral(" (missing)")));
    QVERIFY(lines.contains(QStringLiteral("  ") + kept));
    QVERIFY(lines.contains(QStringLiteral("WindowState = 5 bytes")));
    QVERIFY(lines.contains(QStringLiteral("  (empty) = 12 bytes")));
    QVERIFY(lines.contains(QStringLiteral("  mainSplitter = 30 bytes")));

    const QJsonObject json = jsonOf(runTool(words("list --json")));
    const QJsonValue preferences = json.value(QStringLiteral("preferences"));
    QCOMPARE(preferences.toObject().size(), 9);
    const QJsonValue memory = member(preferences, "JavaMemorySize");
    QCOMPARE(member(memory, "value").toInt(), 4096);
    QCOMPARE(member(memory, "choice").toInt(), 4);
    QCOMPARE(member(memory, "fromDefault").toBool(), false);
    QCOMPARE(member(member(preferences, "DisplayReadme"), "fromDefault").toBool(), true);

    const QJsonArray recent = member(json, "recentFiles").toArray();
    QCOMPARE(recent.size(), 2);
    QCOMPARE(member(recent.at(0), "path").toString(), gone);
    QCOMPARE(member(recent.at(0), "exists").toBool(), false);
    QCOMPARE(member(recent.at(1), "path").toString(), kept);
    QCOMPARE(member(recent.at(1), "exists").toBool(), true);

    QCOMPARE(member(member(json, "windowState"), "bytes").toInt(), 5);
    const QJsonArray widgets = member(json, "widgetStates").toArray();
    QCOMPARE(widgets.size(), 2);
    QCOMPARE(member(widgets.at(0), "name").toString(), QString());
    QCOMPARE(member(widgets.at(0), "bytes").toInt(), 12);
    QCOMPARE(member(widgets.at(1), "name").toString(), QStringLiteral("mainSplitter"));
    QCOMPARE(member(widgets.at(1), "bytes").toInt(), 30);
}

void KelSettingsTest::whichPrintsProgramAndArguments_data()
{
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<CommandLines>("setup");
    QTest::addColumn<QStringList>("lines");

    // <rec>: a program that starts, in a folder with a blank.
    QTest::newRow("browser, quoted path with blank")
        << "browser"
        << CommandLines{words("set UseDefaultWebBrowser false"), setTo("WebBrowser", QStringLiteral("\"<rec>\" --new %1"))}
        << QStringList{QStringLiteral("\"<rec>\""), QStringLiteral("--new"), QStringLiteral("%1")};
    QTest::newRow("browser, program alone")
        << "browser" << CommandLines{words("set UseDefaultWebBrowser 0"), setTo("WebBrowser", QStringLiteral("\"<rec>\""))}
        << QStringList{QStringLiteral("\"<rec>\"")};
    QTest::newRow("pdf viewer, doubled blank")
        << "pdf"
        << CommandLines{words("set UseDefaultPDFViewer no"), setTo("PDFViewer", QStringLiteral("\"<rec>\"  --page 2 %1"))}
        << QStringList{QStringLiteral("\"<rec>\""), QStringLiteral("--page"), QStringLiteral("2"), QStringLiteral("%1")};
    QTest::newRow("pdf viewer set but the default used")
        << "pdf" << CommandLines{setTo("PDFViewer", QStringLiteral("okular %1"))} << words("<default>");
    QTest::newRow("browser default") << "browser" << CommandLines{} << words("<default>");
}

void KelSettingsTest::whichPrintsProgramAndArguments()
{
    QFETCH(QString, viewer);
    QFETCH(CommandLines, setup);
    QFETCH(QStringList, lines);
    KelTest::ScopedConfigHome home;
    QTemporaryDir dir;
    const QString opener = installDesktopOpener(dir);
    QVERIFY(!opener.isEmpty());
    if (lines == words("<default>"))
        lines = defaultProgramLines(opener);
    const QString recorder = recorderWithBlankInPath(dir);
    lines.replaceInStrings(QLatin1String(RecorderToken), recorder);
    runAll(withRecorder(setup, recorder));
    const Env env{pathWithOpener(opener)};

    const KelTest::ChildResult text = runTool({QStringLiteral("which"), viewer}, env);
    QVERIFY2(text.exitCode == 0, describe(text).constData());
    QCOMPARE(linesOf(text.out), lines);

    const QJsonObject json = jsonOf(runTool({QStringLiteral("which"), viewer, QStringLiteral("--json")}, env));
    QCOMPARE(json.value(QStringLiteral("viewer")).toString(), viewer);
    QCOMPARE(json.value(QStringLiteral("program")).toString(), lines.value(0));
    QCOMPARE(json.value(QStringLiteral("arguments")).toVariant().toStringList(), lines.mid(1));
}

void KelSettingsTest::launcherFailureExitsOneWithTheWarning_data()
{
    QTest::addColumn<CommandLines>("setup");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("warning");

    const CommandLines noBrowser{words("set UseDefaultWebBrowser false")};
    const CommandLines noPdfViewer{words("set UseDefaultPDFViewer false")};
    const CommandLines recordingBrowser{words("set UseDefaultWebBrowser false"),
                                        setTo("WebBrowser", QStringLiteral("\"<rec>\" %1"))};
    const CommandLines recordingPdfViewer{words("set UseDefaultPDFViewer false"),
                                          setTo("PDFViewer", QStringLiteral("\"<rec>\" %1"))};

    QTest::newRow("which browser, none set") << noBrowser << words("which browser")
                                             << "Unable to determine location of web viewer";
    QTest::newRow("which pdf, none set") << noPdfViewer << words("which pdf")
                                         << "Unable to determine location of PDF viewer";
    QTest::newRow("open-url, none set") << noBrowser << words("open-url https://example.com/")
                                        << "Unable to launch user-defined HTML browser";
    QTest::newRow("open-pdf, none set") << noPdfViewer << words("open-pdf a.pdf")
                                        << "Unable to launch user-defined pdf viewer";
    QTest::newRow("open-url, URL as option") << recordingBrowser << words("open-url -- --help")
                                             << "Unable to launch web browser";
    // The library's reason, beside its fixed warning, reaches the tool's own error output.
    QTest::newRow("open-pdf, viewer missing")
        << CommandLines{words("set UseDefaultPDFViewer false"), setTo("PDFViewer", QStringLiteral("/nonexistent-kel/viewer %1"))}
        << words("open-pdf a.pdf")
        << QStringLiteral("Could not start '") + QDir::toNativeSeparators(QStringLiteral("/nonexistent-kel/viewer"));
    QTest::newRow("product-page, none set") << noBrowser << words("product-page name_v1_2")
                                            << "Unable to launch user-defined HTML browser";
    QTest::newRow("help topic, no help map") << CommandLines{} << words("help-topic no_such_topic") << "no_such_topic";
    // What which prints is what a launch would try: a program it cannot find fails which too.
    QTest::newRow("which pdf, program on no PATH folder")
        << CommandLines{words("set UseDefaultPDFViewer false"), setTo("PDFViewer", QStringLiteral("relprog %1"))}
        << words("which pdf") << "'relprog' is not found";
    QTest::newRow("which browser, relative path")
        << CommandLines{words("set UseDefaultWebBrowser false"), setTo("WebBrowser", QStringLiteral("relbin/relprog %1"))}
        << words("which browser") << QLatin1Char('\'') + QDir::toNativeSeparators(QStringLiteral("relbin/relprog")) + QLatin1String("' is a relative path");
#if !defined(Q_OS_WIN)
    // A name the conversion would change reaches nothing, rather than another file.
    QTest::newRow("open-pdf, name no text") << recordingPdfViewer << words("open-pdf caf<e9>.pdf")
                                            << "'caf\\xe9.pdf' is no text";
    QTest::newRow("recent add, name no text") << CommandLines{} << words("recent add <dir>/caf<e9>.qpf") << "\\xe9.qpf'";
    QTest::newRow("recent remove, name no text") << CommandLines{} << words("recent remove caf<e9>.qpf") << "\\xe9.qpf'";
#endif
}

void KelSettingsTest::launcherFailureExitsOneWithTheWarning()
{
    QFETCH(CommandLines, setup);
    QFETCH(QStringList, args);
    QFETCH(QString, warning);
    KelTest::ScopedConfigHome home;
    QTemporaryDir dir;
    const QString recorder = recorderWithBlankInPath(dir);
    const QString records = dir.path() + QLatin1String("/records");
    runAll(withRecorder(setup, recorder));
    // An existing file: its existence is not what refuses it.
    args.replaceInStrings(QStringLiteral("<dir>"), dir.path());
    if (std::FILE *file = std::fopen(QFile::encodeName(dir.path()).append("/caf\xe9.qpf").constData(), "w"))
        std::fclose(file);

    const KelTest::ChildResult result =
        runTool(args, {{QLatin1String(KelTest::ArgRecorderOutVariable), records}}, {QStringLiteral("DRV_TESTSITE")});
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, FailureExit);
    const QStringList errors = linesOf(result.err);
    bool found = false;
    for (const QString &line : errors)
        found = found || (line.startsWith(QLatin1String("kel-settings: warning: ")) && line.contains(warning));
    QVERIFY2(found, result.err.constData());
    // The channel's own trailing newline must not leave blank lines behind.
    QVERIFY2(!errors.contains(QString()), result.err.constData());
    QVERIFY(KelTest::readArgRecords(records).isEmpty());
}

void KelSettingsTest::launcherReachesTheProgram_data()
{
    QTest::addColumn<CommandLines>("setup");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("expected");  // records, a trailing '*' matching any rest
    QTest::addColumn<QString>("logged");

    const QString url = QStringLiteral("https://example.com/a b?x=1&y=2");
    const QString pdf = QStringLiteral("/tmp/manual v2.pdf");
    const QString pageUrl = QLatin1String(TestSite)
                            + QStringLiteral("/cgi-bin/iplicense/locate_core_website.pl?core_name=name&core_ver=1.2"
                                             "&core_full_name=name_v1_2&locale=*");

    QTest::newRow("open-url, user-defined browser")
        << CommandLines{words("set UseDefaultWebBrowser false"),
                        setTo("WebBrowser", QStringLiteral("\"<rec>\" --new %1"))}
        << QStringList{QStringLiteral("open-url"), url} << QStringList{QStringLiteral("--new"), url} << QString();
    // A file put in place of "%1" carries the platform's separators.
    QTest::newRow("open-pdf, user-defined viewer")
        << CommandLines{words("set UseDefaultPDFViewer false"), setTo("PDFViewer", QStringLiteral("\"<rec>\" %1"))}
        << QStringList{QStringLiteral("open-pdf"), pdf} << QStringList{QDir::toNativeSeparators(pdf)} << QString();
    QTest::newRow("product-page, URL appended")
        << CommandLines{words("set UseDefaultWebBrowser false"), words("set WebBrowser \"<rec>\"")}
        << words("product-page name_v1_2") << QStringList{pageUrl}
        << QStringLiteral("kel-settings: Opening: '") + QLatin1String(TestSite);
    QTest::newRow("open-url, desktop default opener")
        << CommandLines{} << QStringList{QStringLiteral("open-url"), url} << QStringList{url} << QString();
}

void KelSettingsTest::launcherReachesTheProgram()
{
    QFETCH(CommandLines, setup);
    QFETCH(QStringList, args);
    QFETCH(QStringList, expected);
    QFETCH(QString, logged);
    KelTest::ScopedConfigHome home;
    QTemporaryDir dir;
    const QString recorder = recorderWithBlankInPath(dir);
    const QString records = dir.path() + QLatin1String("/records");
    const QString opener = installDesktopOpener(dir);
    QVERIFY(!opener.isEmpty());
    runAll(withRecorder(setup, recorder));

    const Env env{{QLatin1String(KelTest::ArgRecorderOutVariable), records},
                  {QStringLiteral("DRV_TESTSITE"), QLatin1String(TestSite)},
                  pathWithOpener(opener)};
    const KelTest::ChildResult result = runTool(args, env);
    QVERIFY2(result.exitCode == 0, describe(result).constData());
    if (!logged.isEmpty())
        QVERIFY2(textOf(result.err).contains(logged), result.err.constData());

    const QList<QByteArray> received = KelTest::waitForArgRecords(records, expected.size());
    QCOMPARE(received.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QByteArray &got = received.at(i);
        const QString want = expected.at(i);
        if (want.endsWith(QLatin1Char('*')))
            QVERIFY2(got.startsWith(KelTest::recordedBytes(want.chopped(1))), got.constData());
        else
            QCOMPARE(got, KelTest::recordedBytes(want));
    }
}

void KelSettingsTest::programFailingAtOnceExitsOne_data()
{
    QTest::addColumn<CommandLines>("setup");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("exitSetting");  // what the started program does
    QTest::addColumn<QByteArray>("runMs");
    QTest::addColumn<QString>("warning");

    const CommandLines pdfViewer{words("set UseDefaultPDFViewer false"),
                                 setTo("PDFViewer", QStringLiteral("\"<rec>\" %1"))};
    QTest::newRow("open-pdf, viewer exits 1 at once")
        << pdfViewer << words("open-pdf a.pdf") << QByteArray("1") << QByteArray("0") << "ended with exit status 1";
    QTest::newRow("open-pdf, viewer exits 2 after a second")
        << pdfViewer << words("open-pdf a.pdf") << QByteArray("2") << QByteArray("1000") << "ended with exit status 2";
    QTest::newRow("open-url, desktop opener exits 4")
        << CommandLines{} << words("open-url https://example.com/") << QByteArray("4") << QByteArray("0")
        << "ended with exit status 4";
}

// The tool stays while the program it started may still fail within its
// report window, and says how it ended; it goes once the program is done.
void KelSettingsTest::programFailingAtOnceExitsOne()
{
    QFETCH(CommandLines, setup);
    QFETCH(QStringList, args);
    QFETCH(QByteArray, exitSetting);
    QFETCH(QByteArray, runMs);
    QFETCH(QString, warning);
    KelTest::ScopedConfigHome home;
    QTemporaryDir dir;
    const QString recorder = recorderWithBlankInPath(dir);
    const QString records = dir.path() + QLatin1String("/records");
    const QString opener = installDesktopOpener(dir);
    QVERIFY(!opener.isEmpty());
    runAll(withRecorder(setup, recorder));

    const Env env{{QLatin1String(KelTest::ArgRecorderOutVariable), records},
                  {QStringLiteral("KEL_ARGRECORDER_EXIT"), QString::fromLatin1(exitSetting)},
                  {QStringLiteral("KEL_ARGRECORDER_SLEEP_MS"), QString::fromLatin1(runMs)},
                  pathWithOpener(opener)};
    QElapsedTimer timer;
    timer.start();
    const KelTest::ChildResult result = runTool(args, env);
    qInfo("FIGURE: %s: exit %d after %lld ms", QTest::currentDataTag(), result.exitCode, timer.elapsed());
    QVERIFY(result.finished);
    QCOMPARE(KelTest::readArgRecords(records).size(), 1);
    QCOMPARE(result.exitCode, FailureExit);
    QVERIFY2(textOf(result.err).contains(QLatin1String("kel-settings: warning: ")) && textOf(result.err).contains(warning),
             result.err.constData());
}

void KelSettingsTest::whichSaysWhyAListIsNoCommandLine_data()
{
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<QByteArray>("store");
    QTest::addColumn<QString>("warning");
    QTest::newRow("pdf") << "pdf" << QByteArray("UseDefaultPDFViewer=false\nPDFViewer=viewer --pages 1, 2 %1\n")
                         << "Unable to determine location of PDF viewer";
    QTest::newRow("browser") << "browser" << QByteArray("UseDefaultWebBrowser=false\nWebBrowser=browser a,b\n")
                             << "Unable to determine location of web viewer";
}

// A hand-written command line with an unquoted comma is a list to QSettings,
// and no command line to the library: which says so, and why.
void KelSettingsTest::whichSaysWhyAListIsNoCommandLine()
{
    QFETCH(QString, viewer);
    QFETCH(QByteArray, store);
    QFETCH(QString, warning);
    KelTest::ScopedConfigHome home;
    QVERIFY(writeStore(home.storeFile(), "[General]\n" + store));

    const KelTest::ChildResult which = runTool({QStringLiteral("which"), viewer});
    QCOMPARE(which.exitCode, FailureExit);
    QVERIFY(which.out.isEmpty());
    const QString errors = textOf(which.err);
    QVERIFY2(errors.contains(warning), which.err.constData());
    QVERIFY2(errors.contains(QLatin1String("kel-settings: note: ")) && errors.contains(QLatin1String("unquoted comma")),
             which.err.constData());
}

void KelSettingsTest::recentAddIsSeenByLaterInvocations()
{
    KelTest::ScopedConfigHome home;
    QTemporaryDir projects;
    const QString older = projects.path() + QLatin1String("/older.qpf");
    const QString newer = projects.path() + QLatin1String("/newer.qpf");
    QVERIFY(createFile(older));
    QVERIFY(createFile(newer));

    const KelTest::ChildResult empty = runTool(words("previous"));
    QCOMPARE(empty.exitCode, 0);
    QVERIFY(empty.out.isEmpty());

    runAll({{QStringLiteral("recent"), QStringLiteral("add"), older},
            {QStringLiteral("recent"), QStringLiteral("add"), newer}});
    QCOMPARE(linesOf(runTool(words("previous")).out), QStringList{newer});
    QCOMPARE(linesOf(runTool(words("recent")).out), (QStringList{newer, older}));
    const QJsonObject json = jsonOf(runTool(words("recent --json")));
    QCOMPARE(json.value(QStringLiteral("recentProjects")).toVariant().toStringList(), (QStringList{newer, older}));
}

void KelSettingsTest::recentAddStoresAnAbsolutePath()
{
    KelTest::ScopedConfigHome home;
    QTemporaryDir projects;
    const QString absolute = QDir(projects.path()).absoluteFilePath(QStringLiteral("top.qpf"));
    QVERIFY(createFile(absolute));

    const KelTest::ChildResult added =
        runToolIn(projects.path(), words("recent add top.qpf"));
    QVERIFY2(added.exitCode == 0, describe(added).constData());
    // Read from another folder, as the application would be started.
    QCOMPARE(linesOf(runTool(words("previous")).out), QStringList{absolute});
}

void KelSettingsTest::resetRemovesOnlyThatKey_data()
{
    QTest::addColumn<QStringList>("change");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("check");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("flag") << words("set OverwriteFiles yes") << "OverwriteFiles" << words("get OverwriteFiles")
                          << words("false");
    QTest::newRow("command line") << words("set WebBrowser b --force") << "WebBrowser" << words("get WebBrowser")
                                  << QStringList();
    QTest::newRow("memory") << words("set JavaMemorySize 4096") << "JavaMemorySize" << words("get JavaMemorySize")
                            << words("1024");
    QTest::newRow("recent files") << words("recent add <file>") << "RecentFiles" << words("recent") << QStringList();
}

void KelSettingsTest::resetRemovesOnlyThatKey()
{
    QFETCH(QStringList, change);
    QFETCH(QString, key);
    QFETCH(QStringList, check);
    QFETCH(QStringList, shown);
    KelTest::ScopedConfigHome home;
    QTemporaryDir projects;
    const QString project = projects.path() + QLatin1String("/p.qpf");
    QVERIFY(createFile(project));
    change.replaceInStrings(QStringLiteral("<file>"), project);
    runAll({words("set DisplayReadme no"), change});

    const KelTest::ChildResult reset = runTool({QStringLiteral("reset"), key});
    QVERIFY2(reset.exitCode == 0, describe(reset).constData());
    const KelTest::ChildResult checked = runTool(check);
    QCOMPARE(linesOf(checked.out), shown);
    // As git config, get of a key not set exits 1.
    QCOMPARE(checked.exitCode, check.first() == QLatin1String("get") && shown.isEmpty() ? FailureExit : 0);
    QCOMPARE(linesOf(runTool(words("get DisplayReadme")).out), words("false"));
}

void KelSettingsTest::resetWithYesRemovesEveryValue()
{
    KelTest::ScopedConfigHome home;
    runAll({words("set DisplayReadme no"), setTo("PDFViewer", QStringLiteral("okular %1")),
            words("set RecentProjectCount 12")});
    Kel::UserSettings::SetWidgetState(QStringLiteral("tree"), QByteArray(3, 't'));

    const KelTest::ChildResult reset = runTool(words("reset --yes"));
    QVERIFY2(reset.exitCode == 0, describe(reset).constData());

    const QJsonObject json = jsonOf(runTool(words("list --json")));
    const QJsonObject preferences = member(json, "preferences").toObject();
    QCOMPARE(preferences.size(), 9);
    for (const QString &key : preferences.keys())
        QVERIFY2(member(preferences.value(key), "fromDefault").toBool(), qPrintable(key));
    QCOMPARE(member(member(preferences, "DisplayReadme"), "value"), QJsonValue(true));
    QCOMPARE(member(member(preferences, "PDFViewer"), "value"), QJsonValue(QJsonValue::Null));
    QCOMPARE(member(member(preferences, "RecentProjectCount"), "value"), QJsonValue(4));
    QCOMPARE(member(member(preferences, "JavaMemorySize"), "value"), QJsonValue(1024));
    QCOMPARE(member(member(preferences, "JavaMemorySize"), "choice"), QJsonValue(2));
    QVERIFY(member(json, "widgetStates").toArray().isEmpty());
}

void KelSettingsTest::configDirOptionSelectsTheStore()
{
    KelTest::ScopedConfigHome home;
    QTemporaryDir other;
    const QStringList option{QStringLiteral("--config-dir"), other.path()};

    const KelTest::ChildResult set = runTool(option + words("set OverwriteFiles on"));
    QVERIFY2(set.exitCode == 0, describe(set).constData());
    QVERIFY(QFile::exists(other.path() + QLatin1String("/Dravel/Molvane.ini")));
    QVERIFY(!QFile::exists(home.storeFile()));

    QCOMPARE(linesOf(runTool(words("get OverwriteFiles") + option).out), words("true"));
    QCOMPARE(linesOf(runTool(words("get OverwriteFiles")).out), words("false"));
    // A relative XDG_CONFIG_HOME is ignored, which is a note, not a failure.
    const KelTest::ChildResult noted =
        runTool(option + words("set OverwriteFiles off"), {{QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("relative")}});
    QVERIFY2(noted.exitCode == 0 && textOf(noted.err).startsWith(QLatin1String("kel-settings: note: ")),
             describe(noted).constData());

    // A browser started for the other store sees the tool's own environment.
    QTemporaryDir dir;
    const QString records = dir.path() + QLatin1String("/records");
    runAll({option + words("set UseDefaultWebBrowser no"),
            option + setTo("WebBrowser", QLatin1Char('"') + KelTest::argRecorderPath() + QStringLiteral("\" %1"))});
    const KelTest::ChildResult opened =
        runTool(option + words("open-url https://example.com/"),
                {{QLatin1String(KelTest::ArgRecorderOutVariable), records},
                 {QLatin1String(KelTest::ArgRecorderEnvVariable), QStringLiteral("XDG_CONFIG_HOME")}});
    QVERIFY2(opened.exitCode == 0, describe(opened).constData());
    const QList<QByteArray> received = KelTest::waitForArgRecords(records, 2);
    QCOMPARE(received.size(), 2);
    QCOMPARE(received.at(1), QByteArray("XDG_CONFIG_HOME=") + QFile::encodeName(home.path()));
}

void KelSettingsTest::helpShowsWhatACommandTakes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("notShown");

    const QStringList everyCommand{QStringLiteral("help-topic TOPIC"),
                                   QStringLiteral("recent [add FILE | remove PATH | clear]"),
                                   QStringLiteral("--config-dir"), QStringLiteral("RecentProjectCount"),
                                   QStringLiteral("usage: kel-settings [OPTIONS] COMMAND")};
    const QStringList setHelp{QStringLiteral("usage: kel-settings set KEY VALUE"), QStringLiteral("--force"),
                              QStringLiteral("256, 512, 1024, 2048, 4096"), QStringLiteral("default 1024 MB"),
                              QStringLiteral("0 or below for all")};
    QTest::newRow("--help") << words("--help") << everyCommand << words("--help-all");
    QTest::newRow("help") << words("help") << everyCommand << words("--help-all");
    QTest::newRow("help set") << words("help set") << setHelp << words("open-pdf --json");
    QTest::newRow("set --help") << words("set --help") << setHelp << words("open-pdf --json");
    QTest::newRow("help reset") << words("help reset")
                                << QStringList{QStringLiteral("usage: kel-settings reset [KEY]"),
                                               QStringLiteral("--all"), QStringLiteral("--yes")}
                                << words("--force");
    QTest::newRow("help help-topic") << words("help help-topic")
                                     << QStringList{QStringLiteral("usage: kel-settings help-topic TOPIC")}
                                     << words("Preferences --json");
}

void KelSettingsTest::helpShowsWhatACommandTakes()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, notShown);
    KelTest::ScopedConfigHome home;

    const KelTest::ChildResult result = runTool(args);
    QVERIFY2(result.exitCode == 0 && result.err.isEmpty(), describe(result).constData());
    const QString text = textOf(result.out);
    for (const QString &part : shown)
        QVERIFY2(text.contains(part), qPrintable(part));
    for (const QString &part : notShown)
        QVERIFY2(!text.contains(part), qPrintable(part));
    QVERIFY(!QFile::exists(home.storeFile()));
}

void KelSettingsTest::setChecksAViewerCommand_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");  // <rec>: a recording program in a folder with a blank; <plain>: a file
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<int>("problem");    // what the library's check says, when it is not stored

    // The library's own table of command lines, which the settings page's
    // test reads too: the tool says of each what the check says.
    const QString pdf = QStringLiteral("PDFViewer");
    const QString browser = QStringLiteral("WebBrowser");
    for (const KelTest::CommandLineCase &row : KelTest::CommandLineCases)
        QTest::newRow(row.name) << pdf << QString::fromUtf8(row.commandLine) << false << row.starts << int(row.problem);
    // What the tool adds: --force stores a command line as it is, and the
    // working folder is never searched, as a launch never searches it.
    QTest::newRow("double-quoted %1, forced") << pdf << "\"<rec>\" \"%1\"" << true << true << 0;
    QTest::newRow("empty, forced") << browser << "" << true << true << 0;
    QTest::newRow("program only in a relative PATH entry")
        << browser << "kel-relative-viewer %1" << false << false << int(Kel::ViewerCommand::ProgramNotFound);
    // Found from this folder, but the application is started from anywhere.
    QTest::newRow("relative program path")
        << pdf << "relative-bin/kel-relative-viewer %1" << false << false << int(Kel::ViewerCommand::RelativeProgram);
}

void KelSettingsTest::setChecksAViewerCommand()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, force);
    QFETCH(bool, stored);
    QFETCH(int, problem);
    KelTest::ScopedConfigHome home;
    QTemporaryDir dir;
    const QString plain = dir.path() + QLatin1String("/notes.txt");
    QVERIFY(createFile(plain));
    value.replace(QLatin1String(RecorderToken), recorderWithBlankInPath(dir));
    value.replace(QLatin1String(KelTest::PlainFileToken), plain);
    // A program in a folder that PATH names relative to the working folder.
    const QString relative = QStringLiteral("relative-bin");
    QVERIFY(QDir(dir.path()).mkpath(relative));
    QVERIFY(QFile::copy(KelTest::argRecorderPath(),
                        dir.path() + QLatin1Char('/') + relative + QLatin1Char('/') + QLatin1String(RelativeViewerName)));

    QStringList args{QStringLiteral("set"), key, value};
    if (force)
        args << QStringLiteral("--force");
    const Env env{{QStringLiteral("PATH"), KelTest::binDir() + QDir::listSeparator() + relative + QDir::listSeparator()
                                               + qEnvironmentVariable("PATH")}};
    const KelTest::ChildResult set = runToolIn(dir.path(), args, env);
    QVERIFY(set.finished);
    QCOMPARE(set.exitCode, stored ? 0 : FailureExit);
    const QString errors = textOf(set.err);
    QCOMPARE(errors.contains(QLatin1String("warning:")), !stored);
    if (!stored) {
        const bool pdfViewer = key == QLatin1String("PDFViewer");
        const Kel::ViewerCommand check(pdfViewer ? Kel::ViewerCommand::PdfViewer : Kel::ViewerCommand::WebBrowser, value,
                                       pdfViewer ? QStringLiteral("manual.pdf") : QStringLiteral("https://example.com/"));
        const QString said = check.describe(Kel::ViewerCommand::Problem(problem));
        QVERIFY2(errors.contains(said), qPrintable(said + QLatin1String(" / ") + errors));
        QVERIFY2(errors.contains(QStringLiteral("not stored; add --force")), set.err.constData());
    }
    const QJsonObject reading = jsonOf(runTool({QStringLiteral("get"), key, QStringLiteral("--json")}));
    QCOMPARE(reading.value(QStringLiteral("fromDefault")).toBool(), !stored);
    if (stored)
        QCOMPARE(reading.value(QStringLiteral("value")).toString(), value);
}

void KelSettingsTest::storedValueShowsAsTheLibraryReadsIt_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("stored");  // as written by hand in the file
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("note");       // empty: the text says what the library reads

    QTest::newRow("flag no") << "UseDefaultPDFViewer" << QByteArray("no") << "true"
                             << "stored as \"no\", which the library reads as true";
    QTest::newRow("flag off") << "OpenPreviousProject" << QByteArray("off") << "true" << "reads as true";
    QTest::newRow("flag not a word") << "DisplayReadme" << QByteArray("maybe") << "true" << "\"maybe\"";
    QTest::newRow("flag upper case") << "OverwriteFiles" << QByteArray("TRUE") << "true" << "";
    QTest::newRow("flag 0") << "DisplayReadme" << QByteArray("0") << "false" << "";
    QTest::newRow("memory -1") << "JavaMemorySize" << QByteArray("-1") << "4294967295"
                               << "stored as \"-1\", which the library reads as 4294967295 MB";
    QTest::newRow("memory, a size written by hand") << "JavaMemorySize" << QByteArray("1024") << "1024" << "";
    QTest::newRow("memory not a number") << "JavaMemorySize" << QByteArray("lots") << "256" << "256 MB";
    QTest::newRow("count -1: no limit") << "RecentProjectCount" << QByteArray("-1") << "-1" << "";
    QTest::newRow("count with text") << "RecentProjectCount" << QByteArray("12abc") << "0" << "reads as 0";
    QTest::newRow("count with leading zeros") << "RecentProjectCount" << QByteArray("007") << "7" << "";
    // QSettings reads an unquoted comma as a list, which is no command line to the library.
    QTest::newRow("command line with an unquoted comma")
        << "PDFViewer" << QByteArray("viewer --pages 1, 2 %1") << QString()
        << "stored as \"viewer --pages 1, 2 %1\", which the library reads as no command line at all: an unquoted comma";
}

void KelSettingsTest::storedValueShowsAsTheLibraryReadsIt()
{
    QFETCH(QString, key);
    QFETCH(QByteArray, stored);
    QFETCH(QString, shown);
    QFETCH(QString, note);
    KelTest::ScopedConfigHome home;
    QVERIFY(writeStore(home.storeFile(), "[General]\n" + key.toLatin1() + '=' + stored + '\n'));

    const KelTest::ChildResult get = runTool({QStringLiteral("get"), key});
    // A list where a command line belongs is no value the library has.
    const int exitCode = qstrcmp(QTest::currentDataTag(), "command line with an unquoted comma") == 0 ? 1 : 0;
    QVERIFY2(get.exitCode == exitCode, describe(get).constData());
    QCOMPARE(linesOf(get.out), shown.isNull() ? QStringList() : QStringList{shown});
    const QString errors = textOf(get.err);
    QCOMPARE(errors.isEmpty(), note.isEmpty());
    QVERIFY2(errors.contains(note), get.err.constData());

    QString listed;
    for (const QString &line : linesOf(runTool(words("list")).out)) {
        if (line.startsWith(key + QStringLiteral(" = ")))
            listed = line;
    }
    QVERIFY2(listed.contains(note), qPrintable(listed));
    const QJsonObject json = jsonOf(runTool({QStringLiteral("get"), key, QStringLiteral("--json")}));
    QCOMPARE(json.value(QStringLiteral("note")).toString().contains(note), true);
    QCOMPARE(json.contains(QStringLiteral("note")), !note.isEmpty());
}

void KelSettingsTest::resetKeepsACopyAndOtherPrograms_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("removed");  // the keys gone afterwards; "*" every key

    QTest::newRow("the application's preferences")
        << words("reset --yes")
        << words("DisplayReadme JavaMemorySize RecentFiles WidgetState WidgetStatepanel WindowState");
    QTest::newRow("the whole file") << words("reset --all --yes") << words("*");
    QTest::newRow("one preference") << words("reset JavaMemorySize") << words("JavaMemorySize");
    QTest::newRow("one widget") << words("reset WidgetStatepanel") << words("WidgetStatepanel");
    QTest::newRow("a key not stored") << words("reset OverwriteFiles") << QStringList();
}

void KelSettingsTest::resetKeepsACopyAndOtherPrograms()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, removed);
    KelTest::ScopedConfigHome home;
    const QByteArray before = "[General]\nDisplayReadme=false\nHostKey=kept\nJavaMemorySize=4\n"
                              "RecentFiles=/a.qpf, /b.qpf\nWidgetState=@ByteArray(e)\n"
                              "WidgetStatepanel=@ByteArray(p)\nWindowState=@ByteArray(w)\n\n[Other]\nkey=1\n";
    QVERIFY(writeStore(home.storeFile(), before));
    QStringList expected = storeKeys(home.storeFile());
    QCOMPARE(expected.size(), 8);
    if (removed == words("*"))
        expected.clear();
    for (const QString &key : removed)
        expected.removeAll(key);

    const KelTest::ChildResult reset = runTool(args);
    QVERIFY2(reset.exitCode == 0, describe(reset).constData());
    QCOMPARE(storeKeys(home.storeFile()), expected);

    const QStringList copies = keptCopies(home.storeFile());
    QCOMPARE(copies.size(), removed.isEmpty() ? 0 : 1);
    if (!removed.isEmpty()) {
        const QString copy = QFileInfo(home.storeFile()).path() + QLatin1Char('/') + copies.first();
        QCOMPARE(fileBytes(copy), before);
        QVERIFY2(textOf(reset.err).contains(copy), reset.err.constData());
    }
}

void KelSettingsTest::recentChangesTheList_data()
{
    QTest::addColumn<QStringList>("args");  // <kept> a project, <gone> one whose file is missing, <absent> neither
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("recorded");  // afterwards, most recent first

    QTest::newRow("add a missing file") << words("recent add <absent>") << FailureExit << words("<gone> <kept>");
    QTest::newRow("add a missing file, forced") << words("recent add <absent> --force") << 0
                                                << words("<absent> <gone> <kept>");
    QTest::newRow("remove a missing entry") << words("recent remove <gone>") << 0 << words("<kept>");
    QTest::newRow("remove an existing entry") << words("recent remove <kept>") << 0 << words("<gone>");
    QTest::newRow("remove an entry not listed") << words("recent remove <absent>") << FailureExit
                                                << words("<gone> <kept>");
    QTest::newRow("clear") << words("recent clear") << 0 << QStringList();
}

void KelSettingsTest::recentChangesTheList()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QStringList, recorded);
    KelTest::ScopedConfigHome home;
    QTemporaryDir projects;
    const QString kept = projects.path() + QLatin1String("/kept.qpf");
    QVERIFY(createFile(kept));
    const auto withFiles = [&](QStringList list) {
        list.replaceInStrings(QStringLiteral("<kept>"), kept);
        list.replaceInStrings(QStringLiteral("<gone>"), projects.path() + QLatin1String("/gone.qpf"));
        list.replaceInStrings(QStringLiteral("<absent>"), projects.path() + QLatin1String("/absent.qpf"));
        return list;
    };
    runAll({withFiles(words("recent add <kept>")), withFiles(words("recent add <gone> --force"))});

    const KelTest::ChildResult result = runTool(withFiles(args));
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(result.err.isEmpty(), exitCode == 0);
    QStringList paths;
    for (const QJsonValue &file : member(jsonOf(runTool(words("list --json"))), "recentFiles").toArray())
        paths << member(file, "path").toString();
    QCOMPARE(paths, withFiles(recorded));
}

void KelSettingsTest::completionOffersWhatFits_data()
{
    QTest::addColumn<QStringList>("typed");  // the words after kel-settings, the last one being completed
    QTest::addColumn<QStringList>("offered");

    QTest::newRow("command") << QStringList{QStringLiteral("re")} << words("recent reset");
    QTest::newRow("help or help-topic") << QStringList{QStringLiteral("help")} << words("help help-topic");
    QTest::newRow("key for set") << words("set Use") << words("UseDefaultPDFViewer UseDefaultWebBrowser");
    QTest::newRow("flag value") << words("set OverwriteFiles o") << words("off on");
    QTest::newRow("memory value") << words("set JavaMemorySize 2") << words("2 2048 256");
    QTest::newRow("reset key after --config-dir") << words("--config-dir /tmp reset Wi")
                                                  << words("WidgetState WindowState");
    QTest::newRow("viewer") << (words("which") << QString()) << words("browser pdf");
    QTest::newRow("recent action") << (words("recent") << QString()) << words("add clear remove");
    QTest::newRow("option of set") << words("set --f") << words("--force");
    QTest::newRow("options of list") << words("list --") << words("--config-dir --help --json --version");
    QTest::newRow("file to open") << words("open-pdf <dir>/ma") << words("<dir>/manual.pdf");
    QTest::newRow("store folder") << words("--config-dir <dir>/s") << words("<dir>/store");
    QTest::newRow("nothing for a URL") << (words("open-url") << QString()) << QStringList();
    QTest::newRow("file with a blank") << words("open-pdf <dir>/my") << QStringList{QStringLiteral("<dir>/my manual.pdf")};
    // Bash cuts --config-dir=DIR at the '='.
    QTest::newRow("key after --config-dir=DIR") << words("--config-dir = <dir> set Use")
                                                << words("UseDefaultPDFViewer UseDefaultWebBrowser");
    QTest::newRow("recorded entry to remove") << words("--config-dir <dir>/store recent remove <dir>/")
                                              << words("<dir>/manual.pdf");
}

void KelSettingsTest::completionOffersWhatFits()
{
#if !defined(KEL_SETTINGS_COMPLETION_FILE)
    QSKIP("the completion is written only where the build runs what it builds");
#else
    QFETCH(QStringList, typed);
    QFETCH(QStringList, offered);
    QTemporaryDir dir;
    QVERIFY(createFile(dir.path() + QLatin1String("/manual.pdf")));
    QVERIFY(createFile(dir.path() + QLatin1String("/my manual.pdf")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("store")));
    runAll({{QStringLiteral("--config-dir"), dir.path() + QLatin1String("/store"), QStringLiteral("recent"),
             QStringLiteral("add"), dir.path() + QLatin1String("/manual.pdf")}});
    typed.replaceInStrings(QStringLiteral("<dir>"), dir.path());
    offered.replaceInStrings(QStringLiteral("<dir>"), dir.path());

    // Bash as it calls a completion: the tool, the words so far and the cursor's word.
    const QString script = QStringLiteral("source \"$0\"; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); "
                                          "_kel_settings; printf '%s\\n' \"${COMPREPLY[@]}\"");
    const KelTest::ChildResult result = KelTest::runProgram(
        QStringLiteral("bash"),
        QStringList{QStringLiteral("-c"), script, QStringLiteral(KEL_SETTINGS_COMPLETION_FILE), toolPath()} + typed);
    QVERIFY2(result.exitCode == 0, result.err.constData());
    QStringList lines = linesOf(result.out);
    lines.removeAll(QString());
    lines.sort();
    offered.sort();
    QCOMPARE(lines, offered);
#endif
}

QTEST_GUILESS_MAIN(KelSettingsTest)

#include "tst_kelsettings.moc"
