// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Writes that cannot reach the disk: a read-only folder, a read-only file, a full disk, mangled files beside the store.
#include "ReliabilitySupport.h"
#include "LogRecorder.h"

#include <Gui/Wisp/Settings.h>
#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtTest/QtTest>

#if defined(Q_OS_WIN)
#  include <windows.h>
#  include <aclapi.h>
#else
#  include <cerrno>
#  include <cstring>
#  include <fcntl.h>
#  include <linux/fs.h>
#  include <sys/ioctl.h>
#  include <sys/stat.h>
#  include <unistd.h>
#endif

#include <algorithm>
#include <memory>
#include <string>

namespace {

enum class Failure { ReadOnlyFile, ReadOnlyFolder, FullDisk };

constexpr int kFailedWrites = 3;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#if defined(Q_OS_WIN)
// Makes path refuse writes for its lifetime: a file by its read-only
// attribute, a folder by an entry in its access list that denies everyone
// adding or removing files (a folder's read-only attribute stops nothing).
class ReadOnly
{
public:
    explicit ReadOnly(const QString &path) : m_path(path), m_native(QDir::toNativeSeparators(path).toStdWString())
    {
        if (QFileInfo(path).isDir())
            denyChanges();
        else
            m_attributeSet = QFile::setPermissions(path, QFile::permissions(path) & ~kWritePermissions);
        if (!m_why.isEmpty())
            return;
        if (m_attributeSet ? QFileInfo(path).isWritable() : folderTakesFiles())
            m_why = QStringLiteral("the system lets writes through (wine does not enforce access lists)");
    }
    ~ReadOnly()
    {
        if (m_attributeSet)
            QFile::setPermissions(m_path, QFile::permissions(m_path) | QFile::WriteOwner | QFile::WriteUser);
        if (m_descriptor) {
            ::SetNamedSecurityInfoW(&m_native[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    m_previousList, nullptr);
            ::LocalFree(m_descriptor);
        }
    }
    ReadOnly(const ReadOnly &) = delete;
    ReadOnly &operator=(const ReadOnly &) = delete;

    // Empty when the path is really read-only now.
    QString failure() const { return m_why; }
    QString how() const
    {
        return m_attributeSet ? QStringLiteral("read-only attribute") : QStringLiteral("access list denying new files");
    }

private:
    static constexpr QFile::Permissions kWritePermissions =
        QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;

    void denyChanges()
    {
        if (::GetNamedSecurityInfoW(m_native.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &m_previousList, nullptr, &m_descriptor) != ERROR_SUCCESS) {
            m_why = QStringLiteral("cannot read the folder's access list");
            return;
        }
        wchar_t everyone[] = L"EVERYONE";
        EXPLICIT_ACCESS_W deny = {};
        deny.grfAccessPermissions = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD;
        deny.grfAccessMode = DENY_ACCESS;
        deny.Trustee.TrusteeForm = TRUSTEE_IS_NAME;
        deny.Trustee.ptstrName = everyone;
        PACL list = nullptr;
        if (::SetEntriesInAclW(1, &deny, m_previousList, &list) != ERROR_SUCCESS) {
            m_why = QStringLiteral("cannot build the denying access list");
            return;
        }
        if (::SetNamedSecurityInfoW(&m_native[0], SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, list,
                                    nullptr) != ERROR_SUCCESS)
            m_why = QStringLiteral("cannot set the folder's access list");
        ::LocalFree(list);
    }

    bool folderTakesFiles() const
    {
        QFile probe(m_path + QLatin1String("/write-probe"));
        const bool created = probe.open(QIODevice::WriteOnly);
        if (created)
            probe.remove();
        return created;
    }

    QString m_path;
    std::wstring m_native;
    QString m_why;
    bool m_attributeSet = false;
    PACL m_previousList = nullptr;              // points into m_descriptor
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
};

#else
constexpr char kDiskSize[] = "size=64k";
constexpr int kMountWaitMs = 10000;

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Sets or clears the file system's immutable flag, which even root cannot
// write through; empty on success, else why not.
QString setImmutable(const QString &path, bool immutable)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errnoText();
    int flags = 0;
    QString why;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        why = errnoText();
    } else {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0)
            why = errnoText();
    }
    ::close(fd);
    return why;
}

// Runs a system program (mount, umount) directly, without a shell; empty on
// success, else its complaint.
QString runTool(const QString &name, const QStringList &args)
{
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty())
        return name + QLatin1String(" is not installed");
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, args);
    if (!tool.waitForFinished(kMountWaitMs))
        return name + QLatin1String(" did not finish");
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return QString::fromLocal8Bit(tool.readAll()).trimmed();
    return QString();
}

// Makes path refuse writes for its lifetime: by its mode for an ordinary
// user, by the immutable flag where the mode stops nobody (root).
class ReadOnly
{
public:
    explicit ReadOnly(const QString &path) : m_path(path)
    {
        const QByteArray name = QFile::encodeName(path);
        struct stat st;
        if (::stat(name.constData(), &st) != 0) {
            m_why = errnoText();
            return;
        }
        m_mode = st.st_mode & 07777;
        ::chmod(name.constData(), m_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH));
        m_chmodded = true;
        if (::access(name.constData(), W_OK) != 0)
            return;  // the mode is enough
        m_why = setImmutable(path, true);
        m_immutable = m_why.isEmpty();
        if (!m_immutable)
            m_why = QLatin1String("running with the right to write anything, and the immutable flag failed: ") + m_why;
    }
    ~ReadOnly()
    {
        if (m_immutable)
            setImmutable(m_path, false);
        if (m_chmodded)
            ::chmod(QFile::encodeName(m_path).constData(), m_mode);
    }
    ReadOnly(const ReadOnly &) = delete;
    ReadOnly &operator=(const ReadOnly &) = delete;

    // Empty when the path is really read-only now.
    QString failure() const { return m_why; }
    QString how() const
    {
        return m_immutable ? QStringLiteral("immutable flag, the test runs as root")
                           : QStringLiteral("mode without write permission");
    }

private:
    QString m_path;
    QString m_why;
    mode_t m_mode = 0;
    bool m_chmodded = false;
    bool m_immutable = false;
};

// A tiny tmpfs mounted over a directory for its lifetime.
class SmallDisk
{
public:
    explicit SmallDisk(const QString &dir) : m_dir(dir)
    {
        QDir().mkpath(dir);
        m_why = runTool(QStringLiteral("mount"),
                        {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), QLatin1String(kDiskSize),
                         QStringLiteral("kel-test"), dir});
        m_mounted = m_why.isEmpty();
    }
    ~SmallDisk()
    {
        if (m_mounted && !runTool(QStringLiteral("umount"), {m_dir}).isEmpty())
            runTool(QStringLiteral("umount"), {QStringLiteral("-l"), m_dir});
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    QString failure() const { return m_why; }

    // Writes a filler file until the disk says it is full; empty on success.
    QString fill()
    {
        m_filler = m_dir + QLatin1String("/filler");
        const int fd = ::open(QFile::encodeName(m_filler).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            return errnoText();
        const QByteArray block(4096, 'x');
        QString why;
        for (;;) {
            if (::write(fd, block.constData(), std::size_t(block.size())) < 0) {
                if (errno != ENOSPC)
                    why = errnoText();
                break;
            }
        }
        // Single bytes take up the last partial page.
        while (::write(fd, "x", 1) == 1) {
        }
        ::close(fd);
        return why;
    }
    void makeRoom() { QFile::remove(m_filler); }

private:
    QString m_dir;
    QString m_why;
    QString m_filler;
    bool m_mounted = false;
};

#endif

// The store's warnings that name the file as not written.
int writeWarningsFor(const KelTest::LogRecorder &log, const QString &storeFile)
{
    int count = 0;
    for (const QString &text : log.warnings()) {
        if (text.contains(QLatin1String("Unable to write settings file")) && text.contains(QDir::toNativeSeparators(storeFile)))
            ++count;
    }
    return count;
}

enum class Mangling { Emptied, Garbled, Unwritable };

QByteArray garbage()
{
    QByteArray bytes;
    for (int i = 0; i < 300; ++i)
        bytes.append(char((i * 167 + 13) % 256));
    return bytes;
}

void printWarnings(const KelTest::LogRecorder &log)
{
    std::printf("warnings=%d\n", int(log.warnings().size()));
    for (const QString &text : log.warnings())
        std::printf("warning: %s\n", qPrintable(text));
}

// Child roles, each a process of its own that may die where the parent must not.
int childMain(const QStringList &args)
{
    using S = Kel::UserSettings;
    const QString role = args.value(0);
    KelTest::LogRecorder log;
    if (role == QLatin1String("read")) {  // read: what a host reads at start-up
        std::printf("overwrite=%d count=%u memory=%u readme=%d recent=%d\n", S::GetOverwriteOutputFiles() ? 1 : 0,
                    S::GetRecentProjectCount(), S::GetJavaMemorySize(), S::GetDisplayReadmeFile() ? 1 : 0,
                    int(S::GetRecentProjects().size()));
        return 0;
    }
    if (role == QLatin1String("hold-update")) {  // hold-update READY GO: an update open until GO
        Gui::Wisp::Settings store("Molvane", true, true, true);
        store.lockForUpdate();
        store.setValue(QStringLiteral("Held"), 1);
        return KelTest::touchFile(args.value(1)) && KelTest::waitForGo(args.value(2), 120000) ? 0 : 3;
    }
    if (role == QLatin1String("record")) {  // record NAME: one recent project, timed
        QElapsedTimer timer;
        timer.start();
        S::SetPreviousProjectName(Kel::Utility::QStringToPortString(args.value(1)));
        std::printf("ms=%lld\n", timer.elapsed());
        printWarnings(log);
        return 0;
    }
    if (role == QLatin1String("store-work")) {  // store-work READY GO: reads, writes and updates before and after GO
        S::SetWidgetState(QStringLiteral("before"), 1);
        S::SetPreviousProjectName(Port::StringBase("/p/before"));
        if (S::GetWidgetState(QStringLiteral("before")) != QVariant(1) || !KelTest::touchFile(args.value(1))
            || !KelTest::waitForGo(args.value(2), 120000))
            return 3;
        qint64 slowestNs = 0;
        bool read = true;
        bool written = true;
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer timer;
            timer.start();
            read = read && S::GetWidgetState(QStringLiteral("before")).toString() == QLatin1String("1");
            S::SetWidgetState(QStringLiteral("after"), round);
            written = written && S::GetWidgetState(QStringLiteral("after")).toString() == QString::number(round);
            const QString name = QLatin1String("/p/after") + QString::number(round);
            S::SetPreviousProjectName(Kel::Utility::QStringToPortString(name));
            Gui::Wisp::Settings store("Molvane", true, true, true);
            written = written && store.getValue(QStringLiteral("RecentFiles"), QVariant()).toStringList().value(0) == name;
            slowestNs = std::max(slowestNs, timer.nsecsElapsed());
        }
        std::printf("read=%d written=%d slowest_ms=%.1f\n", read ? 1 : 0, written ? 1 : 0, double(slowestNs) / 1e6);
        printWarnings(log);
        return 0;
    }
    return 2;
}

// "name=value" of a child's line.
QString field(const QByteArray &out, const char *name)
{
    const QRegularExpression pattern(QLatin1String(name) + QLatin1String("=([^ \\r\\n]*)"));
    return pattern.match(QString::fromLocal8Bit(out)).captured(1);
}

} // namespace

Q_DECLARE_METATYPE(Failure)
Q_DECLARE_METATYPE(Mangling)

class TestWriteFailures : public QObject
{
    Q_OBJECT

private slots:
    void warnedAndUntouched_data();
    void warnedAndUntouched();
    void fullDiskOnFirstUse();
    void fullDiskUpdateBesideAnother();
    void filesBesideTheStoreMangled_data();
    void filesBesideTheStoreMangled();
};

void TestWriteFailures::warnedAndUntouched_data()
{
    QTest::addColumn<Failure>("failure");
    QTest::newRow("read-only file") << Failure::ReadOnlyFile;
    QTest::newRow("read-only folder") << Failure::ReadOnlyFolder;
#if !defined(Q_OS_WIN)
    // A small disk to fill is a tmpfs mount.
    QTest::newRow("full disk") << Failure::FullDisk;
#endif
}

void TestWriteFailures::warnedAndUntouched()
{
    QFETCH(Failure, failure);
    KelTest::ScopedConfigHome home;
    const QString store = home.storeFile();
    const QString folder = QFileInfo(store).absolutePath();

#if !defined(Q_OS_WIN)
    std::unique_ptr<SmallDisk> disk;
    if (failure == Failure::FullDisk) {
        disk = std::make_unique<SmallDisk>(folder);
        if (!disk->failure().isEmpty())
            QSKIP(qPrintable(QLatin1String("no small disk to fill: mount says: ") + disk->failure()));
    }
#endif
    QCOMPARE(Kel::UserSettings::SetWidgetState(QStringLiteral("kept"), QVariant(1)), 0u);
    const QByteArray original = readAll(store);
    QVERIFY(!original.isEmpty());

    std::unique_ptr<ReadOnly> readOnly;
    QString how;
#if !defined(Q_OS_WIN)
    if (failure == Failure::FullDisk) {
        const QString why = disk->fill();
        QVERIFY2(why.isEmpty(), qPrintable(why));
        how = QStringLiteral("tmpfs filled");
    } else
#endif
    {
        readOnly = std::make_unique<ReadOnly>(failure == Failure::ReadOnlyFile ? store : folder);
        if (!readOnly->failure().isEmpty())
            QSKIP(qPrintable(readOnly->failure()));
        how = readOnly->how();
    }

    int warned = 0;
    for (int attempt = 0; attempt < kFailedWrites; ++attempt) {
        KelTest::LogRecorder messages;
        QCOMPARE(Kel::UserSettings::SetWidgetState(QStringLiteral("unsaved"), QVariant(attempt)), 1u);
        QCOMPARE(writeWarningsFor(messages, store), 1);
        ++warned;
        QCOMPARE(readAll(store), original);
        QCOMPARE(KelTest::temporaryFiles(store), 0);
        // What could not be stored is not served as if it were.
        QVERIFY(!Kel::UserSettings::GetWidgetState(QStringLiteral("unsaved")).isValid());
        QCOMPARE(Kel::UserSettings::GetWidgetState(QStringLiteral("kept")), QVariant(1));
    }
    KelTest::figure(QLatin1String("write to a ") + QLatin1String(QTest::currentDataTag()) + QLatin1String(" (") + how
                    + QLatin1String("): warned ") + QString::number(warned) + QLatin1String(" of ")
                    + QString::number(kFailedWrites) + QLatin1String(" times, file byte-identical, no unsaved value read back"));
    QCOMPARE(Kel::UserSettings::SetPreviousProjectName(Port::StringBase("/p/unsaved")), 1u);  // a read-modify-write too
    QCOMPARE(readAll(store), original);

    // Once the disk takes writes again, so does the store.
    readOnly.reset();
#if !defined(Q_OS_WIN)
    if (disk)
        disk->makeRoom();
#endif
    KelTest::LogRecorder messages;
    Kel::UserSettings::SetWidgetState(QStringLiteral("unsaved"), QVariant(42));
    QVERIFY(messages.warnings().isEmpty());
    QCOMPARE(Kel::UserSettings::GetWidgetState(QStringLiteral("unsaved")), QVariant(42));
    QVERIFY(readAll(store) != original);
}

// A host's first start with its configuration folder on a full disk: the
// reads give the defaults, nothing crashes, nothing is made there.
void TestWriteFailures::fullDiskOnFirstUse()
{
#if defined(Q_OS_WIN)
    QSKIP("a small disk to fill is a tmpfs mount");
#else
    KelTest::ScopedConfigHome home;
    SmallDisk disk(home.path());
    if (!disk.failure().isEmpty())
        QSKIP(qPrintable(QLatin1String("no small disk to fill: mount says: ") + disk.failure()));
    QVERIFY(disk.fill().isEmpty());
    const KelTest::ChildResult read = KelTest::runSelf({QStringLiteral("read")});
    QVERIFY2(read.finished && read.exitCode == 0, read.err.constData());
    QCOMPARE(read.out.trimmed(), QByteArray("overwrite=0 count=4 memory=1024 readme=1 recent=0"));
    QCOMPARE(QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("filler")});
#endif
}

// Two processes on a full disk, one updating while the other holds an
// update: the second waits for the first, and both end normally.
void TestWriteFailures::fullDiskUpdateBesideAnother()
{
#if defined(Q_OS_WIN)
    QSKIP("a small disk to fill is a tmpfs mount");
#else
    KelTest::ScopedConfigHome home;
    QTemporaryDir scratch;
    SmallDisk disk(home.path());
    if (!disk.failure().isEmpty())
        QSKIP(qPrintable(QLatin1String("no small disk to fill: mount says: ") + disk.failure()));
    QCOMPARE(Kel::UserSettings::SetPreviousProjectName(Port::StringBase("/p/before")), 0u);
    QVERIFY(disk.fill().isEmpty());
    const QString ready = scratch.filePath(QStringLiteral("ready"));
    const QString go = scratch.filePath(QStringLiteral("go"));
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QStringLiteral("hold-update"), ready, go});
    QVERIFY(KelTest::waitForGo(ready, 60000));
    QProcess recorder;
    recorder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QStringLiteral("record"), QStringLiteral("/p/after")});
    QVERIFY(recorder.waitForStarted());
    // A full disk has no room for the update's lock file either: the second
    // process may go on at once, and its write then fails and says so.
    recorder.waitForFinished(1000);
    QVERIFY(KelTest::touchFile(go));
    QVERIFY(holder.waitForFinished(60000));
    QVERIFY(recorder.state() == QProcess::NotRunning || recorder.waitForFinished(60000));
    const QByteArray out = recorder.readAllStandardOutput();
    QCOMPARE(holder.exitStatus(), QProcess::NormalExit);
    QCOMPARE(holder.exitCode(), 0);
    QCOMPARE(recorder.exitStatus(), QProcess::NormalExit);
    QVERIFY2(recorder.exitCode() == 0, out.constData());
    KelTest::figure(QLatin1String("recent project recorded on a full disk while another process held an update: took ")
                    + field(out, "ms") + QLatin1String(" ms, ended normally, ") + field(out, "warnings")
                    + QLatin1String(" warning(s)"));
    Gui::Wisp::Settings store("Molvane", true, true, true);
    QCOMPARE(store.getValue(QStringLiteral("RecentFiles"), QVariant()).toStringList().value(0), QStringLiteral("/p/before"));
#endif
}

void TestWriteFailures::filesBesideTheStoreMangled_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<Mangling>("mangling");
    QTest::addColumn<bool>("writesLand");
    for (const char *suffix : {".update-lock", ".lock"}) {
        const QString file = QLatin1String("Molvane.ini") + QLatin1String(suffix);
        const QString name = QString::fromLatin1(suffix);
        QTest::newRow(qPrintable(file + QLatin1String(" left empty"))) << name << Mangling::Emptied << true;
        QTest::newRow(qPrintable(file + QLatin1String(" garbled"))) << name << Mangling::Garbled << true;
        // QSettings itself waits for ever on a lock file it cannot remove:
        // the store cannot write then, and says so at once.
        QTest::newRow(qPrintable(file + QLatin1String(" garbled, unwritable")))
            << name << Mangling::Unwritable << (name == QLatin1String(".update-lock"));
    }
}

// A lock file beside the store that no live process holds, mangled by a
// cleanup script or a user while a host runs: the host's later reads,
// writes and updates work as before, without a lock's time-out.
void TestWriteFailures::filesBesideTheStoreMangled()
{
    QFETCH(QString, suffix);
    QFETCH(Mangling, mangling);
    QFETCH(bool, writesLand);
    KelTest::ScopedConfigHome home;
    QTemporaryDir scratch;
    const QString ready = scratch.filePath(QStringLiteral("ready"));
    const QString go = scratch.filePath(QStringLiteral("go"));
    QProcess host;
    host.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QStringLiteral("store-work"), ready, go});
    QVERIFY(KelTest::waitForGo(ready, 60000));

    const QString beside = home.storeFile() + suffix;
    {
        QFile file(beside);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(file.write(mangling == Mangling::Emptied ? QByteArray() : garbage()) >= 0);
    }
    std::unique_ptr<ReadOnly> readOnly;
    if (mangling == Mangling::Unwritable) {
        readOnly = std::make_unique<ReadOnly>(beside);
        if (!readOnly->failure().isEmpty()) {
            QVERIFY(KelTest::touchFile(go));
            host.waitForFinished(60000);
            QSKIP(qPrintable(readOnly->failure()));
        }
    }
    QVERIFY(KelTest::touchFile(go));
    QVERIFY(host.waitForFinished(120000));
    readOnly.reset();
    const QByteArray out = host.readAllStandardOutput();
    KelTest::figure(QLatin1String(QTest::currentDataTag()) + QLatin1String(" while a host ran: slowest round of a read, a write and an update ")
                    + field(out, "slowest_ms") + QLatin1String(" ms, ") + field(out, "warnings") + QLatin1String(" warning(s)"));
    QCOMPARE(host.exitStatus(), QProcess::NormalExit);
    QVERIFY2(host.exitCode() == 0, out.constData());
    QVERIFY2(field(out, "read") == QLatin1String("1"), out.constData());
    QVERIFY2(field(out, "written") == QLatin1String(writesLand ? "1" : "0"), out.constData());
    // The store's own time-out: a round that reaches it waited for a lock no one holds.
    QVERIFY2(field(out, "slowest_ms").toDouble() < 10000.0, out.constData());
    // Where the writes land, a lock file that cannot be taken is said once
    // (an update goes on without it), one that can never; a write that is
    // lost says so each time.
    if (writesLand)
        QVERIFY2(field(out, "warnings").toInt() <= (mangling == Mangling::Unwritable ? 1 : 0), out.constData());
}

KEL_RELIABILITY_TEST_MAIN(TestWriteFailures, childMain)
#include "tst_writefailures.moc"
