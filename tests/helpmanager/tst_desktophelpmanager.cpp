// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of the desktop help manager against a stand-in opener that records what it really receives.
#include "ArgRecorder.h"
#include "KelTestSupport.h"

#include <Gui/Wisp/DesktopHelpManager.h>

#include <QtCore/QDir>
#include <QtCore/QRegularExpression>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>
#include <QtCore/QUrl>
#include <QtTest/QtTest>

#include <cstdlib>

#include <memory>

#if defined(Q_OS_LINUX)
#  include <unistd.h>
#endif
#if defined(Q_OS_WIN)
#  include <windows.h>
#endif

using Gui::Wisp::DesktopHelpManager;
using Gui::Wisp::HelpManager;

namespace {

constexpr char SleepVariable[] = "KEL_ARGRECORDER_SLEEP_MS";
constexpr char ExitVariable[] = "KEL_ARGRECORDER_EXIT";
constexpr char MapName[] = "app.map";
// An opener that stays this long: a start that waited for it would return
// after the opener had written its record.
constexpr char LongRunMs[] = "10000";
// How long a test waits before it trusts that an opener's end was not reported.
constexpr int NotReportedGraceMs = 500;

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), qint64(content.size()));
}

bool anyMessageNames(const KelTest::MessageRecorder &recorder, const QStringList &parts)
{
    for (const Port_Message &m : recorder.messages()) {
        const QString text = QString::fromStdString(m.text);
        if (std::all_of(parts.cbegin(), parts.cend(), [&](const QString &p) { return text.contains(p); }))
            return true;
    }
    return false;
}

// Why a start or a topic failed belongs in the library's log, one warning
// naming these parts in this order; the test fails unless it comes.
void expectLogged(const QStringList &parts)
{
    QStringList escaped;
    for (const QString &part : parts)
        escaped << QRegularExpression::escape(part);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(escaped.join(QLatin1String(".*"))));
}

#if defined(Q_OS_LINUX)
// Children of this process that ended and were never waited for.
int zombieChildren()
{
    int zombies = 0;
    const QString self = QString::number(getpid());
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QLatin1String("/proc/") + pid + QLatin1String("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks, so start after ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(0) == "Z" && QString::fromLatin1(fields.at(1)) == self)
            ++zombies;
    }
    return zombies;
}
#endif

#if defined(Q_OS_WIN)
// Set by the test run that registered the argument recorder for PDF files and web links.
constexpr char RecorderRegisteredVariable[] = "KEL_TEST_RECORDER_REGISTERED";

// The command line registered for PDF files and web links in the test's wine
// prefix: the argument recorder, with the target in quotes.
QString recorderRegistration()
{
    return QLatin1Char('"') + QDir::toNativeSeparators(KelTest::argRecorderPath()) + QLatin1String("\" \"%1\"");
}

// A registration for PDF files in the test run's own prefix: a file class of
// the test's, with command as the command line that opens its files (none
// when empty). The file type goes back to the class it had on destruction.
// (Wine reads file types from the machine's classes only.)
class PdfRegistration
{
public:
    explicit PdfRegistration(const QString &command) : m_previousClass(defaultValue(PdfType))
    {
        const std::wstring commandKey = std::wstring(FileClass) + L"\\shell\\open\\command";
        m_valid = !m_previousClass.isEmpty() && setDefaultValue(PdfType, QString::fromWCharArray(FileClass))
                  && (command.isEmpty() ? setDefaultValue(FileClass, QString())
                                        : setDefaultValue(commandKey.c_str(), command));
    }
    ~PdfRegistration()
    {
        if (!m_previousClass.isEmpty())
            setDefaultValue(PdfType, m_previousClass);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, FileClass);
    }
    PdfRegistration(const PdfRegistration &) = delete;
    PdfRegistration &operator=(const PdfRegistration &) = delete;

    bool isValid() const { return m_valid; }

private:
    static constexpr wchar_t PdfType[] = L".pdf";
    static constexpr wchar_t FileClass[] = L"KelTest.RowPdfFile";

    static QString defaultValue(const wchar_t *key)
    {
        wchar_t value[256];
        DWORD size = sizeof value;
        if (RegGetValueW(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
            return QString();
        return QString::fromWCharArray(value);
    }

    // Sets the key's default value; an empty value only makes the key.
    static bool setDefaultValue(const wchar_t *key, const QString &value)
    {
        HKEY handle = nullptr;
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr)
            != ERROR_SUCCESS)
            return false;
        const std::wstring text = value.toStdWString();
        const bool ok = value.isEmpty()
                        || RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                                          DWORD((text.size() + 1) * sizeof(wchar_t)))
                               == ERROR_SUCCESS;
        RegCloseKey(handle);
        return ok;
    }

    QString m_previousClass;
    bool m_valid = false;
};
#endif

// A manager whose browser is the test itself: a subclass that intercepts.
class InterceptingHelpManager : public DesktopHelpManager
{
public:
    bool runWebBrowser(const QString &url) override
    {
        urls << url;
        return true;
    }
    QStringList urls;
};

} // namespace

class DesktopHelpManagerTest : public QObject
{
    Q_OBJECT

private:
    QString openerDir() const { return m_work->path() + QLatin1String("/bin"); }
    QString records() const { return m_work->path() + QLatin1String("/records"); }
    QString helpA() const { return m_work->path() + QLatin1String("/helpA"); }
    QString helpB() const { return m_work->path() + QLatin1String("/helpB"); }
    void installOpener(const QString &dir) const
    {
        QDir().mkpath(dir);
        QVERIFY(QFile::copy(KelTest::argRecorderPath(), dir + QLatin1String("/xdg-open")));
    }
    void setPath(const QString &path) const { qputenv("PATH", QFile::encodeName(path)); }
    // "@A/x" and "@B/x" stand for the file: URL of x in help folder A or B.
    QByteArray expectedTarget(const QString &expected) const
    {
        if (!expected.startsWith(QLatin1Char('@')))
            return expected.toUtf8();
        const QString folder = expected.at(1) == QLatin1Char('A') ? helpA() : helpB();
        return QUrl::fromLocalFile(folder + expected.mid(2)).toString(QUrl::FullyEncoded).toUtf8();
    }
    void addPayloadRows();

    QByteArray m_originalPath;
    QString m_originalCwd;
    std::unique_ptr<QTemporaryDir> m_work;

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(KelTest::argRecorderPath()).isExecutable(), "kel_argrecorder must be built");
#if defined(Q_OS_WIN)
        // Every test here starts the registered programs: where the test run
        // registered the recorder they must name it, elsewhere they are the
        // user's own and stay untouched.
        const DesktopHelpManager help;
        if (qEnvironmentVariableIsSet(RecorderRegisteredVariable)) {
            QCOMPARE(help.getPDFViewer(), recorderRegistration());
            QCOMPARE(help.getWebBrowser(), recorderRegistration());
        } else if (help.getPDFViewer() != recorderRegistration() || help.getWebBrowser() != recorderRegistration()) {
            QSKIP("PDF files and web links open with the user's own programs here, not with the argument recorder");
        }
#endif
        m_originalPath = qgetenv("PATH");
        m_originalCwd = QDir::currentPath();
    }

    void init()
    {
        m_work.reset(new QTemporaryDir);
        QVERIFY(m_work->isValid());
        installOpener(openerDir());
        // First in PATH, ahead of any real opener of the machine.
        setPath(openerDir() + QLatin1Char(':') + QFile::decodeName(m_originalPath));
        qputenv(KelTest::ArgRecorderOutVariable, QFile::encodeName(records()));
        QVERIFY(QDir::setCurrent(m_work->path()));
    }

    void cleanup()
    {
        qputenv("PATH", m_originalPath);
        qunsetenv(KelTest::ArgRecorderOutVariable);
        qunsetenv(SleepVariable);
        qunsetenv(ExitVariable);
        QDir::setCurrent(m_originalCwd);
        m_work.reset();
    }

    void defaultCommandNamesOpener_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("quoted");
        QTest::newRow("plain folder") << QStringLiteral("bin") << false;
        QTest::newRow("folder with a blank") << QStringLiteral("my tools") << true;
    }
    void defaultCommandNamesOpener()
    {
#if defined(Q_OS_WIN)
        QSKIP("Windows names the program registered for the file type, not an opener on PATH");
#endif
        QFETCH(QString, folder);
        QFETCH(bool, quoted);
        const QString dir = m_work->path() + QLatin1Char('/') + folder;
        if (folder != QLatin1String("bin"))
            installOpener(dir);
        setPath(dir);
        const QString program = dir + QLatin1String("/xdg-open");
        const QString expected = (quoted ? QLatin1Char('"') + program + QLatin1Char('"') : program) + QLatin1String(" %1");
        DesktopHelpManager help;
        QCOMPARE(help.getPDFViewer(), expected);
        QCOMPARE(help.getWebBrowser(), expected);
    }

    void missingOpenerFails_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty folder") << QStringLiteral("@/empty");
        QTest::newRow("relative entry holding an opener") << QStringLiteral("bin");
        QTest::newRow("empty entries, opener in working folder") << QStringLiteral("::");
    }
    void missingOpenerFails()
    {
#if defined(Q_OS_WIN)
        QSKIP("Windows names the program registered for the file type, not an opener on PATH");
#endif
        QFETCH(QString, path);
        QDir().mkpath(m_work->path() + QLatin1String("/empty"));
        installOpener(m_work->path()); // the working folder
        setPath(path.replace(QLatin1Char('@'), m_work->path()));
        KelTest::MessageRecorder messages;
        DesktopHelpManager help;
        QVERIFY(help.getPDFViewer().isNull());
        QVERIFY(help.getWebBrowser().isNull());
        expectLogged({QStringLiteral("No default program for web pages"), QStringLiteral("https://example.org/")});
        QVERIFY(!help.runWebBrowser(QStringLiteral("https://example.org/")));
        expectLogged({QStringLiteral("No default program for PDF files"), QStringLiteral("manual.pdf")});
        QVERIFY(!help.runPDFReader(QStringLiteral("manual.pdf")));
        QVERIFY(!QFile::exists(records()));
        QVERIFY(messages.messages().empty());
    }

    void openerFailureReportedLater_data()
    {
        QTest::addColumn<QByteArray>("exitSetting");
        QTest::addColumn<QString>("ending"); // empty: no warning
        QTest::newRow("exit 0") << QByteArray("0") << QString();
        QTest::newRow("exit 1") << QByteArray("1") << QStringLiteral("exit status 1");
        QTest::newRow("exit 3") << QByteArray("3") << QStringLiteral("exit status 3");
#if defined(Q_OS_WIN)
        // Windows has no signals: the C runtime's abort ends the program with status 3.
        QTest::newRow("abort") << QByteArray("abort") << QStringLiteral("exit status 3");
#else
        QTest::newRow("killed by a signal") << QByteArray("abort") << QStringLiteral("signal");
#endif
    }
    // The opener runs, so the start succeeds; its failure right after is
    // reported once it is known, naming the opener, the target and the status.
    void openerFailureReportedLater()
    {
        QFETCH(QByteArray, exitSetting);
        QFETCH(QString, ending);
        qputenv(ExitVariable, exitSetting);
        KelTest::MessageRecorder messages;
        DesktopHelpManager help;
        QVERIFY(help.runWebBrowser(QStringLiteral("https://example.org/")));
        QVERIFY(help.runPDFReader(QStringLiteral("manual.pdf")));
        QCOMPARE(KelTest::waitForArgRecords(records(), 2).size(), 2);
        if (ending.isEmpty()) {
            QTest::qWait(NotReportedGraceMs);
            QCOMPARE(messages.messages().size(), size_t(0));
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(messages.messages().size(), size_t(2), KelTest::ArgRecordWaitMs);
#if defined(Q_OS_WIN)
        const QString opener = QDir::toNativeSeparators(KelTest::argRecorderPath()) + QLatin1Char('\'');
#else
        const QString opener = QStringLiteral("/xdg-open'");
#endif
        QVERIFY(anyMessageNames(messages, {opener, ending, QStringLiteral("https://example.org/")}));
        QVERIFY(anyMessageNames(messages, {ending, QStringLiteral("manual.pdf")}));
    }

#if defined(Q_OS_WIN)
    void registeredCommandReachesTheProgram_data()
    {
        QTest::addColumn<QString>("command");      // <rec> stands for the recorder; empty: none registered
        QTest::addColumn<QStringList>("expected");  // what the program receives; <file> stands for the file
        QTest::addColumn<QString>("warning");      // empty: started
        const QString file = QStringLiteral("<file>");
        const QString view = QStringLiteral("/view");
        QTest::newRow("quoted program and %1") << "\"<rec>\" \"%1\"" << QStringList{file} << QString();
        QTest::newRow("%L inside an argument") << "\"<rec>\" --file=%L" << QStringList{QLatin1String("--file=") + file}
                                               << QString();
        QTest::newRow("%* left out") << "\"<rec>\" /view \"%1\" %*" << QStringList{view, file} << QString();
        QTest::newRow("no placeholder: the file appended") << "\"<rec>\" /view" << QStringList{view, file} << QString();
        QTest::newRow("bare program outside the system folder")
            << "kel_argrecorder.exe \"%1\"" << QStringList() << "not found in the system folder";
        QTest::newRow("no command registered") << QString() << QStringList() << "No default program";
        // cmd.exe would read the & of a file name as a command separator.
        QTest::newRow("batch file") << "\"<bat>\" \"%1\"" << QStringList() << "a batch file";
    }
    // The command registered for the file type is split as its program will
    // split it, the file put in place of its placeholder; a program named
    // without its folder is taken from the system folder only.
    void registeredCommandReachesTheProgram()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, expected);
        QFETCH(QString, warning);
        if (!qEnvironmentVariableIsSet(RecorderRegisteredVariable))
            QSKIP("changes registrations only in the test run's own wine prefix");
        command.replace(QLatin1String("<rec>"), QDir::toNativeSeparators(KelTest::argRecorderPath()));
        const QString batch = QDir::toNativeSeparators(m_work->path() + QLatin1String("/open.bat"));
        writeFile(batch, "@\"" + QDir::toNativeSeparators(KelTest::argRecorderPath()).toUtf8() + "\" %*\r\n");
        command.replace(QLatin1String("<bat>"), batch);
        const PdfRegistration registration(command);
        QVERIFY(registration.isValid());
        KelTest::MessageRecorder messages;
        DesktopHelpManager help;
        const QString file = QStringLiteral("manual v2.pdf");
        if (!warning.isEmpty())
            expectLogged({warning});
        QCOMPARE(help.runPDFReader(file), warning.isEmpty());
        if (!warning.isEmpty()) {
            QVERIFY(messages.messages().empty());
            QThread::msleep(100);
            QVERIFY(!QFile::exists(records()));
            return;
        }
        QList<QByteArray> arrived;
        for (QString argument : expected)
            arrived << KelTest::recordedBytes(argument.replace(
                QLatin1String("<file>"), QDir::toNativeSeparators(QDir::currentPath() + QLatin1Char('/') + file)));
        QCOMPARE(KelTest::waitForArgRecords(records(), int(arrived.size())), arrived);
    }
#endif

    void openerChangedBetweenStarts_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("secondStarts");
        QTest::newRow("moved to a later PATH folder") << QStringLiteral("move") << true;
        QTest::newRow("replaced by a file that cannot run") << QStringLiteral("spoil") << true;
        QTest::newRow("removed") << QStringLiteral("remove") << false;
    }
    // The opener found by the first start is remembered while PATH stays the
    // same; a later start whose remembered opener is gone looks again.
    void openerChangedBetweenStarts()
    {
#if defined(Q_OS_WIN)
        QSKIP("Windows starts the program registered for the file type, not an opener on PATH");
#endif
        QFETCH(QString, change);
        QFETCH(bool, secondStarts);
        const QString later = m_work->path() + QLatin1String("/later");
        QVERIFY(QDir().mkpath(later));
        setPath(openerDir() + QLatin1Char(':') + later);
        const QString opener = openerDir() + QLatin1String("/xdg-open");
        DesktopHelpManager help;
        QVERIFY(help.runWebBrowser(QStringLiteral("https://example.org/first")));
        QCOMPARE(KelTest::waitForArgRecords(records(), 1).size(), 1);

        if (change == QLatin1String("move")) {
            QVERIFY(QFile::rename(opener, later + QLatin1String("/xdg-open")));
        } else {
            installOpener(later);
            QVERIFY(QFile::remove(opener));
            if (change == QLatin1String("spoil"))
                writeFile(opener, "not a program\n");
            else
                QVERIFY(QFile::remove(later + QLatin1String("/xdg-open")));
        }
        KelTest::MessageRecorder messages;
        if (!secondStarts)
            expectLogged({QStringLiteral("Could not start '") + opener, QStringLiteral("example.org/second")});
        QCOMPARE(help.runWebBrowser(QStringLiteral("https://example.org/second")), secondStarts);
        if (secondStarts)
            QCOMPARE(KelTest::waitForArgRecords(records(), 2).value(1), QByteArray("https://example.org/second"));
        QVERIFY(messages.messages().empty());
    }

    void runningOpenerOutlivesCall()
    {
        qputenv(SleepVariable, LongRunMs);
        DesktopHelpManager help;
        QVERIFY(help.runWebBrowser(QStringLiteral("https://example.org/long")));
        // The opener records only after its sleep: none yet, so the call did not wait for it.
        QVERIFY(KelTest::readArgRecords(records()).isEmpty());
        // The record proves it survived the call.
        QCOMPARE(KelTest::waitForArgRecords(records(), 1, 3 * std::atoi(LongRunMs)), QList<QByteArray>{"https://example.org/long"});
#if defined(Q_OS_LINUX)
        QTRY_COMPARE_WITH_TIMEOUT(zombieChildren(), 0, KelTest::ArgRecordWaitMs);
#endif
    }

    void webLinkArrivesIntact_data() { addPayloadRows(); }
    void webLinkArrivesIntact()
    {
        QFETCH(QString, payload);
        DesktopHelpManager help;
        QVERIFY(help.runWebBrowser(payload));
        QCOMPARE(KelTest::waitForArgRecords(records(), 1), QList<QByteArray>{payload.toUtf8()});
        QVERIFY(!QFile::exists(m_work->path() + QLatin1String("/pwned")));
    }

    void pdfFileArrivesIntactAndAbsolute_data()
    {
        addPayloadRows();
        QTest::newRow("option-like name") << QStringLiteral("-x.pdf");
        QTest::newRow("long option") << QStringLiteral("--help");
        QTest::newRow("absolute, with empty, '.' and '..' parts") << QStringLiteral("<cwd>/docs//old/./../manual.pdf");
    }
    // Relative names are made absolute, and every name is cleaned.
    void pdfFileArrivesIntactAndAbsolute()
    {
        QFETCH(QString, payload);
        payload.replace(QLatin1String("<cwd>"), QDir::currentPath());
        DesktopHelpManager help;
        QVERIFY(help.runPDFReader(payload));
        const QString absolute = QDir::isAbsolutePath(payload) ? payload : QDir::currentPath() + QLatin1Char('/') + payload;
        const QByteArray expected = KelTest::recordedBytes(QDir::toNativeSeparators(QDir::cleanPath(absolute)));
        QCOMPARE(KelTest::waitForArgRecords(records(), 1), QList<QByteArray>{expected});
        QVERIFY(!QFile::exists(m_work->path() + QLatin1String("/pwned")));
    }

    void optionLikeOrEmptyTargetRefused_data()
    {
        QTest::addColumn<bool>("pdf");
        QTest::addColumn<QString>("target");
        QTest::newRow("link with '-'") << false << QStringLiteral("-x");
        QTest::newRow("link with '--'") << false << QStringLiteral("--help");
        QTest::newRow("empty link") << false << QString();
        QTest::newRow("empty file") << true << QString();
    }
    void optionLikeOrEmptyTargetRefused()
    {
        QFETCH(bool, pdf);
        QFETCH(QString, target);
        KelTest::MessageRecorder messages;
        DesktopHelpManager help;
        expectLogged({QStringLiteral("Refusing to open '") + target + QLatin1Char('\'')});
        QVERIFY(!(pdf ? help.runPDFReader(target) : help.runWebBrowser(target)));
        QVERIFY(messages.messages().empty());
        QThread::msleep(100);
        QVERIFY(!QFile::exists(records()));
    }

    void helpTopicOpensTarget_data()
    {
        QTest::addColumn<QString>("mapName");
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("expected"); // empty: not opened
        const auto S = [](const char *text) { return QString::fromUtf8(text); };
        const QString map = S(MapName);
        QTest::newRow("URL target") << map << S("intro") << S("https://example.org/help?x=1&lang=en");
        QTest::newRow("relative file with a blank") << map << S("page") << S("@A/pages/first page.html");
        QTest::newRow("UTF-8 file") << map << S("utf") << S("@A/pages/Gr\xc3\xbc\xc3\x9f" "e.html");
        QTest::newRow("blanks around map topic") << map << S("spaced topic") << S("@A/spaced.html");
        QTest::newRow("blanks around asked topic") << map << S("  intro ") << S("https://example.org/help?x=1&lang=en");
        QTest::newRow("first duplicate wins") << map << S("dup") << S("https://example.org/first");
        QTest::newRow("split at first '='") << map << S("eq") << S("https://example.org/q?a=b=c");
        QTest::newRow("commented out") << map << S("commented") << S("");
        QTest::newRow("comment line as topic") << map << S("# commented") << S("");
        QTest::newRow("line without '='") << map << S("no separator") << S("");
        QTest::newRow("empty topic") << map << S("") << S("");
        QTest::newRow("topics are case-sensitive") << map << S("Intro") << S("");
        QTest::newRow("first folder wins") << map << S("where") << S("https://example.org/A");
        QTest::newRow("later folder, relative to it") << S("onlyb.map") << S("b") << S("@B/b.html");
        QTest::newRow("missing map") << S("none.map") << S("intro") << S("");
        QTest::newRow("parent folder") << S("../outside.map") << S("intro") << S("");
        QTest::newRow("subfolder") << S("sub/inner.map") << S("intro") << S("");
        QTest::newRow("backslash") << S("sub\\inner.map") << S("intro") << S("");
        QTest::newRow("absolute") << S("@/outside.map") << S("intro") << S("");
    }
    void helpTopicOpensTarget()
    {
        QFETCH(QString, mapName);
        QFETCH(QString, topic);
        QFETCH(QString, expected);
        writeFile(helpA() + QLatin1Char('/') + QLatin1String(MapName),
                  "# Help map of the test application\n"
                  "intro = https://example.org/help?x=1&lang=en\r\n"
                  "\n"
                  "   spaced topic    =   spaced.html   \n"
                  "page=pages/first page.html\n"
                  "dup = https://example.org/first\n"
                  "dup = https://example.org/second\n"
                  "eq = https://example.org/q?a=b=c\n"
                  "# commented = https://example.org/commented\n"
                  "no separator\n"
                  "= https://example.org/no-topic\n"
                  "utf = pages/Gr\xc3\xbc\xc3\x9f" "e.html\n"
                  "where = https://example.org/A\n");
        writeFile(helpB() + QLatin1Char('/') + QLatin1String(MapName), "where = https://example.org/B\n");
        writeFile(helpB() + QLatin1String("/onlyb.map"), "b = b.html\n");
        const QByteArray escapee = "intro = https://example.org/escaped\n";
        writeFile(m_work->path() + QLatin1String("/outside.map"), escapee);
        writeFile(helpA() + QLatin1String("/sub/inner.map"), escapee);
        writeFile(helpA() + QLatin1String("/sub\\inner.map"), escapee);
        mapName.replace(QLatin1Char('@'), m_work->path());

        KelTest::MessageRecorder messages;
        DesktopHelpManager help;
        help.setHelpFolders({helpA(), helpB()});
        if (expected.isEmpty())
            expectLogged({QLatin1Char('\'') + mapName + QLatin1Char('\''), QLatin1Char('\'') + topic + QLatin1Char('\'')});
        const bool opened = help.showHelpTopic(mapName, topic, HelpManager::NoPrefix);
        QVERIFY(messages.messages().empty());
        if (expected.isEmpty()) {
            QVERIFY(!opened);
            QThread::msleep(100);
            QVERIFY(!QFile::exists(records()));
        } else {
            QVERIFY(opened);
            QCOMPARE(KelTest::waitForArgRecords(records(), 1), QList<QByteArray>{expectedTarget(expected)});
        }
    }

    void helpTopicGoesThroughRunWebBrowser()
    {
        writeFile(helpA() + QLatin1String("/x.map"), "t = https://example.org/t\n");
        InterceptingHelpManager help;
        help.setHelpFolders({helpA()});
        QVERIFY(help.showHelpTopic(QStringLiteral("x.map"), QStringLiteral("t"), HelpManager::ContextPrefix));
        QCOMPARE(help.urls, QStringList{QStringLiteral("https://example.org/t")});
        QVERIFY(!QFile::exists(records()));
    }

    void helpFoldersDefaultToInstallation()
    {
        DesktopHelpManager help;
        const QStringList defaults = DesktopHelpManager::defaultHelpFolders();
        QCOMPARE(help.helpFolders(), defaults);
        QCOMPARE(defaults.size(), 2);
        QCOMPARE(defaults.at(0), QCoreApplication::applicationDirPath() + QLatin1String("/help"));
        QVERIFY(QDir::isAbsolutePath(defaults.at(1)));
        QVERIFY(defaults.at(1).endsWith(QLatin1String("/KelGuiUtilities/help")));
        help.setHelpFolders({helpB()});
        QCOMPARE(help.helpFolders(), QStringList{helpB()});
    }

    void destroyedManagerUninstallsItself()
    {
        auto installed = std::make_unique<DesktopHelpManager>();
        HelpManager::setInstance(installed.get());
        QCOMPARE(HelpManager::getInstance(), installed.get());
        // Destroying a manager that is not installed leaves the slot alone.
        std::make_unique<DesktopHelpManager>().reset();
        QCOMPARE(HelpManager::getInstance(), installed.get());
        installed.reset();
        QCOMPARE(HelpManager::getInstance(), nullptr);
    }
};

void DesktopHelpManagerTest::addPayloadRows()
{
    QTest::addColumn<QString>("payload");
    QTest::newRow("blanks") << QStringLiteral("two  words and more");
    QTest::newRow("quotes") << QStringLiteral("it's \"quoted\"");
    QTest::newRow("semicolon") << QStringLiteral("a;touch pwned;b");
    QTest::newRow("command substitution") << QStringLiteral("$(touch pwned)");
    QTest::newRow("backticks") << QStringLiteral("`touch pwned`");
    QTest::newRow("variables") << QStringLiteral("$HOME ${PATH}");
    QTest::newRow("newline") << QStringLiteral("line one\ntouch pwned");
    QTest::newRow("tab and backslash") << QStringLiteral("a\tb\\c");
    QTest::newRow("glob and redirection") << QStringLiteral("*?[a] > pwned < in | & x");
    QTest::newRow("printf directives") << QStringLiteral("%s%n%1 %%");
    QTest::newRow("UTF-8") << QString::fromUtf8("Gr\xc3\xbc\xc3\x9f" "e \xe6\x97\xa5\xe6\x9c\xac \xe2\x9c\x93");
}

QTEST_GUILESS_MAIN(DesktopHelpManagerTest)
#include "tst_desktophelpmanager.moc"
