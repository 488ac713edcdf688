// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of the settings store itself: where the file lives, persistence across store objects and
// processes, re-reading after another writer, garbage files and the warning of an unwritable store.
#include "StoreTestUtil.h"
#include "LogRecorder.h"

#include <Gui/Wisp/Settings.h>
#include <Kel_UserSettings.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QElapsedTimer>
#include <QtCore/QJsonObject>
#include <QtCore/QStandardPaths>
#include <QtTest/QtTest>

#include <cstdio>
#include <memory>

#if defined(Q_OS_UNIX)
#  include <sys/stat.h>
#  include <unistd.h>
#endif

using Gui::Wisp::Settings;
using Kel::UserSettings;

namespace {

const char kScope[] = "Molvane";

class Store : public Settings
{
public:
    explicit Store(const char *scope = kScope) : Settings(scope, true, true, true) {}
};

// Child roles: "read KEY" prints "valid=0|1" and "value=TEXT"; "write KEY VALUE"
// stores VALUE as a string; "prefs" prints a few preference getters.
int runChild(const QStringList &args)
{
    const QString role = args.value(0);
    if (role == QLatin1String("read")) {
        Store store;
        const QVariant v = store.getValue(args.value(1), QVariant());
        std::printf("valid=%d\nvalue=%s\n", v.isValid() ? 1 : 0, v.toString().toUtf8().constData());
        return 0;
    }
    if (role == QLatin1String("write")) {
        Store store;
        store.setValue(args.value(1), args.value(2));
        return 0;
    }
    if (role == QLatin1String("increment")) {
        Store store;
        store.lockForUpdate();
        store.setValue(args.value(1), store.getValue(args.value(1), QVariant()).toInt() + 1);
        return 0;
    }
    if (role == QLatin1String("hold-update")) {  // hold-update KEY READYFILE: reads KEY in an update, then waits
        Store store;
        store.lockForUpdate();
        store.getValue(args.value(1), QVariant());
        if (!QFile(args.value(2)).open(QIODevice::WriteOnly))
            return 3;
        QThread::sleep(120);  // until the test ends it
        return 0;
    }
    if (role == QLatin1String("prefs")) {
        std::printf("OverwriteOutputFiles=%d\nRecentProjectCount=%u\nJavaMemorySize=%u\n",
                    UserSettings::GetOverwriteOutputFiles() ? 1 : 0, UserSettings::GetRecentProjectCount(),
                    UserSettings::GetJavaMemorySize());
        return 0;
    }
    return 2;
}

QString childRead(const QString &key)
{
    const KelTest::ChildResult r = KelTest::runSelf({QStringLiteral("read"), key});
    if (!r.finished || r.exitCode != 0)
        return QStringLiteral("<child failed: %1>").arg(QString::fromLocal8Bit(r.err));
    return StoreTest::parseLines(r.out).value(QStringLiteral("value"));
}

bool childWrite(const QString &key, const QString &value)
{
    const KelTest::ChildResult r = KelTest::runSelf({QStringLiteral("write"), key, value});
    return r.finished && r.exitCode == 0;
}

QVariant readThroughNewStore(const QString &key)
{
    Store store;
    return store.getValue(key, QVariant());
}

void writeThroughNewStore(const QString &key, const QVariant &value)
{
    Store store;
    store.setValue(key, value);
}

#if defined(Q_OS_UNIX)
bool runningAsRoot()
{
    return ::geteuid() == 0;
}
#endif

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fileLocation_data();
    void fileLocation();
    void scopeNamesStayInsideStoreDirectory_data();
    void scopeNamesStayInsideStoreDirectory();
    void writtenWhenStoreObjectCloses();
    void seenThroughLaterStoreObject();
    void seenThroughStoreObjectOpenAtTheSameTime();
    void seenByAnotherProcess();
    void otherProcessWriteSeenByNextGetter();
    void otherProcessWritesRepeatedly();
    void updateHoldsOtherUpdatersBack();
    void replacedFileWithPreservedTimestamp();
    void garbageFileReadAsDefaults_data();
    void garbageFileReadAsDefaults();
    void malformedVariantsDoNotCrash();
    void unconvertibleValuesFollowQtConversion_data();
    void unconvertibleValuesFollowQtConversion();
    void halfValidFileKeepsSurvivors();
    void unwritableStoreWarns_data();
    void unwritableStoreWarns();
    void warningStopsOnceWritableAgain();
    void unwritableAfterGarbageFileStillWarns();
    void fileSystemStaysClean_data();
    void fileSystemStaysClean();

private:
    std::unique_ptr<KelTest::ScopedConfigHome> m_home;
    QString m_restoreMode;  // a directory made read-only by the test, to make writable again
};

void TestSettingsStore::init()
{
    m_home = std::make_unique<KelTest::ScopedConfigHome>();
}

void TestSettingsStore::cleanup()
{
#if defined(Q_OS_UNIX)
    if (!m_restoreMode.isEmpty())
        ::chmod(QFile::encodeName(m_restoreMode).constData(), 0755);
#endif
    m_restoreMode.clear();
    m_home.reset();
}

void TestSettingsStore::fileLocation_data()
{
    QTest::addColumn<bool>("relative");
    QTest::newRow("absolute XDG_CONFIG_HOME") << false;
    // The XDG rules take an absolute path only; one row, as the warning comes once a process.
    QTest::newRow("relative XDG_CONFIG_HOME, ignored") << true;
}

void TestSettingsStore::fileLocation()
{
    QFETCH(bool, relative);
    KelTest::LogRecorder log;
    QString expected = m_home->path() + QLatin1String("/Dravel");
    const QByteArray home = qgetenv("HOME");
    const QString workingDirectory = QDir::currentPath();
    if (relative) {
        qputenv("XDG_CONFIG_HOME", "relative/config");
        qputenv("HOME", QFile::encodeName(m_home->path()));  // never the real user's store
#if defined(Q_OS_WIN)
        expected = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1String("/Dravel");
#else
        expected = m_home->path() + QLatin1String("/.config/Dravel");
#endif
    }
    QCOMPARE(Settings::storeDirectory(), expected);
    QCOMPARE(Store().fileName(), expected + QLatin1String("/Molvane.ini"));
#if !defined(Q_OS_WIN)
    // A host that changes directory reads back what it set, from one file.
    QCOMPARE(UserSettings::SetOverwriteOutputFiles(true), 0u);
    QVERIFY(QDir::setCurrent(m_home->path()));
    QCOMPARE(UserSettings::GetOverwriteOutputFiles(), true);
    QVERIFY(QDir::setCurrent(workingDirectory));
    QCOMPARE(StoreTest::DiskSnapshot(expected + QLatin1String("/Molvane.ini")).value(QStringLiteral("OverwriteFiles")),
             QVariant(QStringLiteral("true")));
#endif
    qputenv("HOME", home);
    QCOMPARE(log.warnings().size(), relative ? 1 : 0);
    if (relative)
        QVERIFY2(log.warnings().front().contains(QLatin1String("relative/config")), qPrintable(log.warnings().front()));
}

void TestSettingsStore::scopeNamesStayInsideStoreDirectory_data()
{
    QTest::addColumn<QByteArray>("scope");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("plain") << QByteArray("Molvane") << "Molvane.ini";
    QTest::newRow("allowed punctuation") << QByteArray("a_b-c.d") << "a_b-c.d.ini";
    QTest::newRow("slash") << QByteArray("../../etc/x") << ".._.._etc_x.ini";
    QTest::newRow("backslash") << QByteArray("..\\x") << ".._x.ini";
    QTest::newRow("dot-dot") << QByteArray("..") << "_.ini";
    QTest::newRow("dot") << QByteArray(".") << "_.ini";
    QTest::newRow("empty") << QByteArray("") << "_.ini";
    QTest::newRow("non-ASCII") << QByteArray("Ü") << "__.ini";
}

void TestSettingsStore::scopeNamesStayInsideStoreDirectory()
{
    QFETCH(QByteArray, scope);
    QFETCH(QString, fileName);
    Store store(scope.constData());
    QCOMPARE(store.fileName(), Settings::storeDirectory() + QLatin1Char('/') + fileName);
}

void TestSettingsStore::writtenWhenStoreObjectCloses()
{
    {
        Store store;
        store.setValue(QStringLiteral("k"), QStringLiteral("v"));
    }
    const StoreTest::DiskSnapshot disk(m_home->storeFile());
    QVERIFY(disk.exists());
    QCOMPARE(disk.value(QStringLiteral("k")).toString(), QStringLiteral("v"));
}

void TestSettingsStore::seenThroughLaterStoreObject()
{
    writeThroughNewStore(QStringLiteral("k"), QStringLiteral("first"));
    QCOMPARE(readThroughNewStore(QStringLiteral("k")).toString(), QStringLiteral("first"));
    writeThroughNewStore(QStringLiteral("k"), QStringLiteral("second"));
    QCOMPARE(readThroughNewStore(QStringLiteral("k")).toString(), QStringLiteral("second"));
    // And through the preference API, which opens its own store objects.
    QCOMPARE(UserSettings::SetRecentProjectCount(11), 0u);
    QCOMPARE(readThroughNewStore(QStringLiteral("RecentProjectCount")).toInt(), 11);
    writeThroughNewStore(QStringLiteral("RecentProjectCount"), 12);
    QCOMPARE(UserSettings::GetRecentProjectCount(), 12u);
}

void TestSettingsStore::seenThroughStoreObjectOpenAtTheSameTime()
{
    // Another object's changes are its own until it writes them: an update is never seen half done.
    Store outer;
    {
        Store inner;
        inner.setValue(QStringLiteral("k"), QStringLiteral("inner"));
        QVERIFY(!outer.getValue(QStringLiteral("k"), QVariant()).isValid());
    }
    QCOMPARE(outer.getValue(QStringLiteral("k"), QVariant()).toString(), QStringLiteral("inner"));
    outer.setValue(QStringLiteral("k"), QStringLiteral("outer"));
    QVERIFY(outer.sync());
    QCOMPARE(readThroughNewStore(QStringLiteral("k")).toString(), QStringLiteral("outer"));
}

void TestSettingsStore::seenByAnotherProcess()
{
    writeThroughNewStore(QStringLiteral("k"), QStringLiteral("from parent"));
    QCOMPARE(childRead(QStringLiteral("k")), QStringLiteral("from parent"));

    QCOMPARE(UserSettings::SetOverwriteOutputFiles(true), 0u);
    QCOMPARE(UserSettings::SetJavaMemorySize(4), 0u);
    const KelTest::ChildResult r = KelTest::runSelf({QStringLiteral("prefs")});
    QVERIFY(r.finished && r.exitCode == 0);
    const auto lines = StoreTest::parseLines(r.out);
    QCOMPARE(lines.value(QStringLiteral("OverwriteOutputFiles")), QStringLiteral("1"));
    QCOMPARE(lines.value(QStringLiteral("JavaMemorySize")), QStringLiteral("4096"));
}

void TestSettingsStore::otherProcessWriteSeenByNextGetter()
{
    // This process has read the store (empty, then with a value) before the child writes.
    QCOMPARE(UserSettings::GetOverwriteOutputFiles(), false);
    QCOMPARE(UserSettings::GetRecentProjectCount(), 4u);
    QVERIFY(childWrite(QStringLiteral("OverwriteFiles"), QStringLiteral("true")));
    QCOMPARE(UserSettings::GetOverwriteOutputFiles(), true);

    QCOMPARE(UserSettings::SetRecentProjectCount(5), 0u);
    QCOMPARE(UserSettings::GetRecentProjectCount(), 5u);
    QVERIFY(childWrite(QStringLiteral("RecentProjectCount"), QStringLiteral("6")));
    QCOMPARE(UserSettings::GetRecentProjectCount(), 6u);
    // The value this process wrote earlier is still there, the child kept it.
    QCOMPARE(UserSettings::GetOverwriteOutputFiles(), true);
}

void TestSettingsStore::otherProcessWritesRepeatedly()
{
    // Values of one length: the file's size does not change between versions.
    const QStringList values = {QStringLiteral("alpha"), QStringLiteral("bravo"), QStringLiteral("alpha"),
                                QStringLiteral("delta"), QStringLiteral("bravo")};
    for (const QString &v : values) {
        QVERIFY(childWrite(QStringLiteral("k"), v));
        QCOMPARE(readThroughNewStore(QStringLiteral("k")).toString(), v);
    }
}

void TestSettingsStore::updateHoldsOtherUpdatersBack()
{
    // An update is a critical section across processes: another process's
    // update, and its plain write, wait for it to close (writers take turns
    // on the same lock), then work on what it wrote. Readers never wait.
    QVERIFY(childWrite(QStringLiteral("k"), QStringLiteral("1")));
    QProcess updater;
    QProcess writer;
    const auto startChild = [](QProcess &child, const QStringList &args) {
        child.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child")} + args);
        return child.waitForStarted();
    };
    {
        Store update;
        update.lockForUpdate();
        update.setValue(QStringLiteral("k"), update.getValue(QStringLiteral("k"), QVariant()).toInt() + 1);
        QVERIFY(startChild(updater, {QStringLiteral("increment"), QStringLiteral("k")}));
        QVERIFY(startChild(writer, {QStringLiteral("write"), QStringLiteral("other"), QStringLiteral("x")}));
        QVERIFY(!updater.waitForFinished(500));
        QVERIFY(writer.state() != QProcess::NotRunning);
        QCOMPARE(childRead(QStringLiteral("k")), QStringLiteral("1"));
    }
    // Wide of any write on a busy machine.
    QVERIFY(updater.waitForFinished(60000) && writer.waitForFinished(60000));
    QCOMPARE(updater.exitCode(), 0);
    QCOMPARE(readThroughNewStore(QStringLiteral("k")).toInt(), 3);
    QCOMPARE(readThroughNewStore(QStringLiteral("other")).toString(), QStringLiteral("x"));
}

void TestSettingsStore::replacedFileWithPreservedTimestamp()
{
    // A file restored from a copy that kept its modification time (cp -p,
    // rsync -t, a backup tool): a new file, the same size, the same time.
    // The store's own stamp sees that the file was replaced.
    // Both files get a time in whole seconds, which every file system keeps exactly.
    const QDateTime modified = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() - 60);
    const auto setModified = [&modified](const QString &file) {
        QFile f(file);
        return f.open(QIODevice::ReadWrite) && f.setFileTime(modified, QFileDevice::FileModificationTime);
    };
    const QString path = m_home->storeFile();
    writeThroughNewStore(QStringLiteral("k"), QStringLiteral("alpha"));
    QVERIFY(setModified(path));
    QCOMPARE(readThroughNewStore(QStringLiteral("k")).toString(), QStringLiteral("alpha"));

    QByteArray content = StoreTest::readRaw(path);
    QVERIFY(content.contains("k=alpha"));
    content.replace("k=alpha", "k=bravo");
    const QString replacement = path + QLatin1String(".new");
    QVERIFY(StoreTest::writeRaw(replacement, content));
    QVERIFY(setModified(replacement));
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::rename(replacement, path));
    QCOMPARE(QFileInfo(path).fileTime(QFileDevice::FileModificationTime), modified);
    QCOMPARE(QFileInfo(path).size(), qint64(content.size()));

    QCOMPARE(childRead(QStringLiteral("k")), QStringLiteral("bravo"));
    QCOMPARE(readThroughNewStore(QStringLiteral("k")).toString(), QStringLiteral("bravo"));
}

void TestSettingsStore::garbageFileReadAsDefaults_data()
{
    QTest::addColumn<QByteArray>("content");
    QByteArray random;
    quint32 seed = 0x2545F491u;
    for (int i = 0; i < 4096; ++i) {
        seed = seed * 1664525u + 1013904223u;
        random.append(char(seed >> 24));
    }
    QTest::newRow("random bytes") << random;
    QTest::newRow("NULs") << QByteArray(512, '\0');
    QTest::newRow("truncated section") << QByteArray("[General");
    QTest::newRow("unclosed bracket") << QByteArray("[\nOverwriteFiles=true\n");
    QTest::newRow("line without =") << QByteArray("OverwriteFiles true\nRecentProjectCount\n");
    QTest::newRow("binary blob") << QByteArray("\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0\x01\0\0\0\xff\xfe", 26);
    QTest::newRow("byte order mark only") << QByteArray("\xef\xbb\xbf");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("huge line") << QByteArray(1 << 20, 'x');
}

void TestSettingsStore::garbageFileReadAsDefaults()
{
    QFETCH(QByteArray, content);
    QVERIFY(StoreTest::writeRaw(m_home->storeFile(), content));

    KelTest::MessageRecorder recorder;
    QCOMPARE(UserSettings::GetOverwriteOutputFiles(), false);
    QCOMPARE(UserSettings::GetUseDefaultPDFViewer(), true);
    QCOMPARE(UserSettings::GetDisplayReadmeFile(), true);
    QCOMPARE(UserSettings::GetJavaMemorySize(), 1024u);
    QCOMPARE(UserSettings::GetRecentProjectCount(), 4u);
    QVERIFY(UserSettings::GetRecentProjects().empty());
    QVERIFY(UserSettings::GetWindowState().isEmpty());
    UserSettings::GetWidgetState(QString());  // whatever it holds, no crash

    // The next write makes a valid file again.
    QCOMPARE(UserSettings::SetOverwriteOutputFiles(true), 0u);
    QCOMPARE(UserSettings::GetOverwriteOutputFiles(), true);
    const KelTest::ChildResult r = KelTest::runSelf({QStringLiteral("prefs")});
    QVERIFY(r.finished && r.exitCode == 0);
    QCOMPARE(StoreTest::parseLines(r.out).value(QStringLiteral("OverwriteOutputFiles")), QStringLiteral("1"));
    QCOMPARE(recorder.lines(), QStringList());
}

void TestSettingsStore::malformedVariantsDoNotCrash()
{
    // Broken @ markers come back as whatever QSettings makes of them (the
    // literal text for an unclosed @ByteArray); nothing crashes.
    QVERIFY(StoreTest::writeRaw(m_home->storeFile(),
                                "[General]\nRecentFiles=@Variant(\\0\\0\\0\\x7f\\xff)\n"
                                "WindowState=@ByteArray(\nWidgetState=@Variant(\nWidgetStatex=@Variant(\\0\\0\\0\\x10)\n"
                                "RecentProjectCount=@Invalid()\n"));
    UserSettings::GetRecentProjects();
    UserSettings::GetWindowState();
    UserSettings::GetWidgetState(QString());
    UserSettings::GetWidgetState(QStringLiteral("x"));
    QCOMPARE(UserSettings::GetRecentProjectCount(), 0u);  // @Invalid() is a stored invalid value, read as 0
    QCOMPARE(UserSettings::SetPreviousProjectName(Port::StringBase("/nowhere/p.prj")), 0u);
    QCOMPARE(StoreTest::DiskSnapshot(m_home->storeFile()).value(QStringLiteral("RecentFiles")).toStringList().value(0),
             QStringLiteral("/nowhere/p.prj"));
}

void TestSettingsStore::unconvertibleValuesFollowQtConversion_data()
{
    // A stored value the getter cannot use converts by QVariant's rules, not
    // to the default: hosts have always seen these results.
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("getter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("count with NUL") << QByteArray("RecentProjectCount=\0" "9", 21) << "RecentProjectCount" << "0";
    QTest::newRow("count not a number") << QByteArray("RecentProjectCount=many") << "RecentProjectCount" << "0";
    QTest::newRow("memory not a number") << QByteArray("JavaMemorySize=big") << "JavaMemorySize" << "256";
    QTest::newRow("flag as other text") << QByteArray("OverwriteFiles=garbage") << "OverwriteFiles" << "1";
    QTest::newRow("flag empty") << QByteArray("DisplayReadme=") << "DisplayReadme" << "0";
}

void TestSettingsStore::unconvertibleValuesFollowQtConversion()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, getter);
    QFETCH(QString, expected);
    QVERIFY(StoreTest::writeRaw(m_home->storeFile(), "[General]\n" + line + "\n"));
    QString actual;
    if (getter == QLatin1String("RecentProjectCount"))
        actual = QString::number(UserSettings::GetRecentProjectCount());
    else if (getter == QLatin1String("JavaMemorySize"))
        actual = QString::number(UserSettings::GetJavaMemorySize());
    else if (getter == QLatin1String("OverwriteFiles"))
        actual = QString::number(UserSettings::GetOverwriteOutputFiles());
    else
        actual = QString::number(UserSettings::GetDisplayReadmeFile());
    QCOMPARE(actual, expected);
}

void TestSettingsStore::halfValidFileKeepsSurvivors()
{
    const QByteArray content = QByteArray("[General]\n"
                                          "OverwriteFiles=true\n"
                                          "RecentProjectCount=9\n"
                                          "this line has no equals sign\n"
                                          "\x01\x02\xff\xfe binary\n"
                                          "JavaMemorySize=4\n"
                                          "=value without key\n"
                                          "DisplayReadme=false\n");
    QVERIFY(StoreTest::writeRaw(m_home->storeFile(), content));
    QCOMPARE(UserSettings::GetOverwriteOutputFiles(), true);
    QCOMPARE(UserSettings::GetRecentProjectCount(), 9u);
    QCOMPARE(UserSettings::GetJavaMemorySize(), 4096u);
    QCOMPARE(UserSettings::GetDisplayReadmeFile(), false);
    QCOMPARE(UserSettings::GetUseDefaultPDFViewer(), true);

    // Values before an unclosed section header survive it.
    const QByteArray cut = QByteArray("[General]\nOverwriteFiles=true\nRecentProjectCount=9\n[Gen");
    const QString other = m_home->path() + QLatin1String("/other");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(other));
    QVERIFY(StoreTest::writeRaw(other + QLatin1String("/Dravel/Molvane.ini"), cut));
    QCOMPARE(UserSettings::GetOverwriteOutputFiles(), true);
    QCOMPARE(UserSettings::GetRecentProjectCount(), 9u);
}

void TestSettingsStore::unwritableStoreWarns_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Dravel is a regular file") << "dravel-file";
    QTest::newRow("config home under a regular file") << "home-under-file";
    QTest::newRow("read-only Dravel directory") << "readonly-dir";
    QTest::newRow("read-only Dravel directory, file exists") << "readonly-dir-existing";
}

void TestSettingsStore::unwritableStoreWarns()
{
    QFETCH(QString, how);
    QString storeFile = m_home->storeFile();
    const QString dravel = m_home->path() + QLatin1String("/Dravel");
    if (how == QLatin1String("dravel-file")) {
        QVERIFY(StoreTest::writeRaw(dravel, "not a directory"));
    } else if (how == QLatin1String("home-under-file")) {
        const QString blocker = m_home->path() + QLatin1String("/blocker");
        QVERIFY(StoreTest::writeRaw(blocker, "a file"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker + QLatin1String("/config")));
        storeFile = blocker + QLatin1String("/config/Dravel/Molvane.ini");
    } else {
#if defined(Q_OS_UNIX)
        if (runningAsRoot())
            QSKIP("running as root: permissions do not stop writes (the other rows cover root)");
        QVERIFY(QDir().mkpath(dravel));
        if (how == QLatin1String("readonly-dir-existing"))
            QVERIFY(StoreTest::writeRaw(storeFile, "[General]\nOverwriteFiles=false\n"));
        QCOMPARE(::chmod(QFile::encodeName(dravel).constData(), 0555), 0);
        m_restoreMode = dravel;
#else
        QSKIP("a folder's read-only attribute stops no writes on Windows; the reliability battery denies them by "
              "access list");
#endif
    }

    KelTest::MessageRecorder channel;
    KelTest::LogRecorder log;
    // Reading an unwritable store is quiet.
    QCOMPARE(UserSettings::GetOverwriteOutputFiles(), false);
    QCOMPARE(log.warnings(), QStringList());

    // A setter answers 1: the lost write goes to the library's log, naming
    // the file, and never to the host's channel.
    QCOMPARE(UserSettings::SetOverwriteOutputFiles(true), 1u);
    QCOMPARE(log.warnings().size(), 1);
    QVERIFY2(log.warnings().front().contains(QDir::toNativeSeparators(storeFile)), qPrintable(log.warnings().front()));
    QVERIFY(!QFileInfo(storeFile).isFile() || how == QLatin1String("readonly-dir-existing"));
    QCOMPARE(UserSettings::GetOverwriteOutputFiles(), false);  // not served

    // Each failed write warns once more; nothing escapes a setter.
    log.clear();
    QCOMPARE(UserSettings::SetRecentProjectCount(3), 1u);
    QCOMPARE(log.warnings().size(), 1);
    QCOMPARE(channel.lines(), QStringList());
}

void TestSettingsStore::warningStopsOnceWritableAgain()
{
    const QString dravel = m_home->path() + QLatin1String("/Dravel");
    QVERIFY(StoreTest::writeRaw(dravel, "not a directory"));
    KelTest::LogRecorder log;
    QCOMPARE(UserSettings::SetOverwriteOutputFiles(true), 1u);
    QCOMPARE(log.warnings().size(), 1);

    // The user fixes the store: the next write reaches the disk, with no warning.
    QVERIFY(QFile::remove(dravel));
    log.clear();
    QCOMPARE(UserSettings::SetRecentProjectCount(3), 0u);
    QCOMPARE(log.warnings(), QStringList());
    const StoreTest::DiskSnapshot disk(m_home->storeFile());
    QVERIFY(disk.exists());
    QCOMPARE(disk.value(QStringLiteral("RecentProjectCount")).toInt(), 3);
    QCOMPARE(UserSettings::GetRecentProjectCount(), 3u);
}

void TestSettingsStore::unwritableAfterGarbageFileStillWarns()
{
    // A store file QSettings cannot parse, read first...
    const QString dravel = m_home->path() + QLatin1String("/Dravel");
    QVERIFY(StoreTest::writeRaw(m_home->storeFile(), QByteArray("[\nOverwriteFiles=true\n")));
    QCOMPARE(UserSettings::GetRecentProjectCount(), 4u);
    // ...then the store becomes unwritable: the lost write must still be reported.
    QVERIFY(QDir(dravel).removeRecursively());
    QVERIFY(StoreTest::writeRaw(dravel, "not a directory"));
    KelTest::LogRecorder log;
    QCOMPARE(UserSettings::SetRecentProjectCount(3), 1u);
    QCOMPARE(log.warnings().size(), 1);
}

enum class Action { Read, ToolList, ToolMistypedFolder, UpdateAndChildRead, EndedInUpdate };
Q_DECLARE_METATYPE(Action)

void TestSettingsStore::fileSystemStaysClean_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<QStringList>("left");  // what the configuration folder holds after
    const QStringList store{QStringLiteral("Dravel"), QStringLiteral("Dravel/Molvane.ini")};
    QTest::newRow("a read") << Action::Read << QStringList();
    QTest::newRow("kel-settings list") << Action::ToolList << QStringList();
    QTest::newRow("kel-settings list, mistyped --config-dir") << Action::ToolMistypedFolder << QStringList();
    QTest::newRow("an update, a value read in a child, closed") << Action::UpdateAndChildRead << store;
#if defined(Q_OS_UNIX)
    QTest::newRow("ended by SIGTERM in an update") << Action::EndedInUpdate << store;  // a value read in a child too
#endif
}

// What the store and its tool leave on disk: a read creates nothing; after
// store objects close only the file is there; no temporary folder anywhere.
void TestSettingsStore::fileSystemStaysClean()
{
    QFETCH(Action, action);
    QFETCH(QStringList, left);
    const QString tool = KelTest::binDir() + QLatin1String("/kel-settings");
    if ((action == Action::ToolList || action == Action::ToolMistypedFolder) && !QFileInfo::exists(tool)
        && !QFileInfo::exists(tool + QLatin1String(".exe")))
        QSKIP("kel-settings is not built");
    QTemporaryDir temporary;
    const QList<QPair<QString, QString>> env{{QStringLiteral("TMPDIR"), temporary.path()},
                                             {QStringLiteral("TMP"), temporary.path()},
                                             {QStringLiteral("TEMP"), temporary.path()}};
    const QString json = QStringLiteral("Json");
    if (!left.isEmpty()) {
        // A value whose type only a child process judges.
        QVERIFY(QDir().mkpath(QFileInfo(m_home->storeFile()).absolutePath()));
        QSettings qt(m_home->storeFile(), QSettings::IniFormat);
        qt.setValue(json, QJsonObject{{QStringLiteral("a"), 1}});
    }
    KelTest::ChildResult result;
    switch (action) {
    case Action::Read:
        result = KelTest::runSelf({QStringLiteral("prefs")}, env);
        break;
    case Action::ToolList:
        result = KelTest::runProgram(tool, {QStringLiteral("list")}, env);
        break;
    case Action::ToolMistypedFolder:
        result = KelTest::runProgram(tool, {QStringLiteral("--config-dir"), m_home->path() + QLatin1String("/Mistyped"),
                                            QStringLiteral("list")}, env);
        break;
    case Action::UpdateAndChildRead:
        result = KelTest::runSelf({QStringLiteral("increment"), QStringLiteral("Count")}, env);
        QVERIFY(result.finished && result.exitCode == 0);
        result = KelTest::runSelf({QStringLiteral("read"), json}, env);
        break;
    case Action::EndedInUpdate: {
        QProcess child;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("TMPDIR"), temporary.path());
        child.setProcessEnvironment(e);
        const QString ready = m_home->path() + QLatin1String("/ready");
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child"), QStringLiteral("hold-update"), json, ready});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ready), 60000);
        QVERIFY(QFile::remove(ready));
        child.terminate();
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        result.finished = true;
        result.exitCode = 0;
        break;
    }
    }
    QVERIFY2(result.finished && result.exitCode == 0, result.err.constData());
    QStringList found;
    QDirIterator it(m_home->path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(m_home->path()).relativeFilePath(it.next());
    found.sort();
    // A process killed in its update never let go of it: only its temporary files count.
    if (action != Action::EndedInUpdate)
        QCOMPARE(found, left);
    const QStringList temporaries = QDir(temporary.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QVERIFY2(temporaries.isEmpty(), qPrintable(QLatin1String("left in TMPDIR: ") + temporaries.join(QLatin1String(", "))));
}

int main(int argc, char **argv)
{
    return KelTest::testMainWithChild<TestSettingsStore>(argc, argv, runChild);
}

#include "tst_settingsstore.moc"
