// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of the recent projects of Kel::UserSettings and of Gui::Wisp::RecentFileList.
#include "StoreTestUtil.h"
#include "ReliabilitySupport.h"

#include <Gui/Wisp/RecentFileList.h>
#include <Kel_UserSettings.h>

#include <Gui/Wisp/Settings.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QProcess>
#include <QtTest/QtTest>

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

using Gui::Wisp::RecentFileList;
using Kel::UserSettings;
using Port::StringBase;

namespace {

const QString kRecentFilesKey = QStringLiteral("RecentFiles");

QStringList ul(std::initializer_list<const char *> texts)
{
    QStringList out;
    for (const char *t : texts)
        out << QString::fromUtf8(t);
    return out;
}

// Child roles: "previous" prints GetPreviousProjectName as hex; "record NAME" records NAME.
int runChild(const QStringList &args)
{
    const QString role = args.value(0);
    if (role == QLatin1String("previous")) {
        std::printf("hex=%s\n", StoreTest::bytes(UserSettings::GetPreviousProjectName()).toHex().constData());
        return 0;
    }
    if (role == QLatin1String("record")) {
        return int(UserSettings::SetPreviousProjectName(StringBase(args.value(1).toUtf8().constData())));
    }
    return 2;
}

} // namespace

class TestRecentProjects : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void nothingStored();
    void existingWithinLimit_data();
    void existingWithinLimit();
    void recordExisting();
    void recordMissing();
    void recordReplacesNonList_data();
    void recordReplacesNonList();
    void recordThroughLibraryCapsAndDedupes();
    void nonAsciiPaths_data();
    void nonAsciiPaths();
    void anotherProcessSeesRecord();
    void recordByAnotherProcessSeenHere();
    void hangingExistenceTestHoldsNoOneUp();

    void listPushFront_data();
    void listPushFront();
    void listCapsAtMaxEntries();
    void listLongInitialListCut();

private:
    QString project(const QString &name) const { return m_projects->path() + QLatin1Char('/') + name; }
    QString createProject(const QString &name) const
    {
        const QString path = project(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        StoreTest::writeRaw(path, "project");
        return path;
    }

    std::unique_ptr<KelTest::ScopedConfigHome> m_home;
    std::unique_ptr<QTemporaryDir> m_projects;
};

void TestRecentProjects::init()
{
    m_home = std::make_unique<KelTest::ScopedConfigHome>();
    m_projects = std::make_unique<QTemporaryDir>();
    QVERIFY(m_projects->isValid());
}

void TestRecentProjects::cleanup()
{
    m_projects.reset();
    m_home.reset();
}

void TestRecentProjects::nothingStored()
{
    QVERIFY(UserSettings::GetRecentProjects().empty());
    QVERIFY(UserSettings::GetPreviousProjectName().IsEmpty());
    QVERIFY(!QFileInfo::exists(m_home->storeFile()));
    // An empty list stored is the same.
    StoreTest::writeIni(m_home->storeFile(), {{kRecentFilesKey, QStringList()}});
    QVERIFY(UserSettings::GetRecentProjects().empty());
    QVERIFY(UserSettings::GetPreviousProjectName().IsEmpty());
}

void TestRecentProjects::existingWithinLimit_data()
{
    QTest::addColumn<QStringList>("entries");   // a name with a leading '!' is not created
    QTest::addColumn<int>("limit");             // -1: not stored
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("all exist, limit unset") << ul({"a", "b", "c", "d", "e"}) << -1 << ul({"a", "b", "c", "d"});
    QTest::newRow("one missing, limit 4") << ul({"a", "!x", "c", "d", "e"}) << 4 << ul({"a", "c", "d"});
    QTest::newRow("one missing, limit 0 (no limit)") << ul({"a", "!x", "c", "d", "e"}) << 0
                                                   << ul({"a", "c", "d", "e"});
    QTest::newRow("first missing, limit 1") << ul({"!x", "b", "c"}) << 1 << QStringList();
    QTest::newRow("limit 1") << ul({"a", "b"}) << 1 << ul({"a"});
    QTest::newRow("limit above the list") << ul({"a", "b"}) << 10 << ul({"a", "b"});
    QTest::newRow("negative stored limit (2^31)") << ul({"a", "b", "c", "d", "e", "f"}) << int(-2147483647 - 1)
                                                  << ul({"a", "b", "c", "d", "e", "f"});
    QTest::newRow("all missing") << ul({"!a", "!b"}) << -1 << QStringList();
    QTest::newRow("single entry") << ul({"a"}) << -1 << ul({"a"});
}

void TestRecentProjects::existingWithinLimit()
{
    QFETCH(QStringList, entries);
    QFETCH(int, limit);
    QFETCH(QStringList, expected);

    QStringList stored;
    for (const QString &e : entries) {
        if (e.startsWith(QLatin1Char('!')))
            stored << project(e.mid(1));
        else
            stored << createProject(e);
    }
    QList<QPair<QString, QVariant>> values{{kRecentFilesKey, stored}};
    if (limit != -1)
        values.append({QStringLiteral("RecentProjectCount"), limit});
    StoreTest::writeIni(m_home->storeFile(), values);

    QList<QByteArray> want;
    for (const QString &e : expected)
        want << project(e).toUtf8();
    QCOMPARE(StoreTest::bytesList(UserSettings::GetRecentProjects()), want);
    QCOMPARE(StoreTest::bytes(UserSettings::GetPreviousProjectName()), want.value(0));
}

void TestRecentProjects::recordExisting()
{
    const QString a = createProject(QStringLiteral("a.prj"));
    const QString b = createProject(QStringLiteral("b.prj"));
    QCOMPARE(UserSettings::SetPreviousProjectName(StringBase(a.toUtf8().constData())), 0u);
    QCOMPARE(StoreTest::bytes(UserSettings::GetPreviousProjectName()), a.toUtf8());
    QCOMPARE(UserSettings::SetPreviousProjectName(StringBase(b.toUtf8().constData())), 0u);
    QCOMPARE(StoreTest::bytes(UserSettings::GetPreviousProjectName()), b.toUtf8());
    QCOMPARE(StoreTest::bytesList(UserSettings::GetRecentProjects()), (QList<QByteArray>{b.toUtf8(), a.toUtf8()}));
    // Recording a again moves it to the front without a second entry.
    QCOMPARE(UserSettings::SetPreviousProjectName(StringBase(a.toUtf8().constData())), 0u);
    QCOMPARE(StoreTest::DiskSnapshot(m_home->storeFile()).value(kRecentFilesKey).toStringList(), (QStringList{a, b}));
}

void TestRecentProjects::recordMissing()
{
    const QString a = createProject(QStringLiteral("a.prj"));
    const QString b = createProject(QStringLiteral("b.prj"));
    const QString gone = project(QStringLiteral("gone.prj"));
    // Stored in reverse order, oldest first.
    for (const QString &p : {b, a})
        QCOMPARE(UserSettings::SetPreviousProjectName(StringBase(p.toUtf8().constData())), 0u);
    QCOMPARE(UserSettings::SetPreviousProjectName(StringBase(gone.toUtf8().constData())), 0u);

    QCOMPARE(StoreTest::DiskSnapshot(m_home->storeFile()).value(kRecentFilesKey).toStringList(),
             (QStringList{gone, a, b}));
    QCOMPARE(StoreTest::bytes(UserSettings::GetPreviousProjectName()), a.toUtf8());

    // With the limit at 1 only the missing entry is examined.
    QCOMPARE(UserSettings::SetRecentProjectCount(1), 0u);
    QVERIFY(UserSettings::GetPreviousProjectName().IsEmpty());
}

void TestRecentProjects::recordReplacesNonList_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QStringList>("after");  // the list stored after recording "new"
    QVariantMap map;
    map.insert(QStringLiteral("a"), 1);
    QTest::newRow("int") << QVariant(5) << ul({"<new>", "5"});
    QTest::newRow("QVariantMap") << QVariant(map) << ul({"<new>"});
    QTest::newRow("QByteArray") << QVariant(QByteArray("\0\xff", 2)) << ul({"<new>", "\xC3\xBF"});
    QTest::newRow("invalid") << QVariant() << ul({"<new>"});
    QTest::newRow("QString") << QVariant(QStringLiteral("/old.prj")) << ul({"<new>", "/old.prj"});
}

void TestRecentProjects::recordReplacesNonList()
{
    QFETCH(QVariant, stored);
    QFETCH(QStringList, after);
    StoreTest::writeIni(m_home->storeFile(), {{kRecentFilesKey, stored}});
    UserSettings::GetRecentProjects();  // no crash whatever is stored
    const QString fresh = createProject(QStringLiteral("new.prj"));
    QCOMPARE(UserSettings::SetPreviousProjectName(StringBase(fresh.toUtf8().constData())), 0u);
    const QStringList list = StoreTest::DiskSnapshot(m_home->storeFile()).value(kRecentFilesKey).toStringList();
    QVERIFY(!list.isEmpty());
    QCOMPARE(list.first(), fresh);
    after.replace(0, fresh);
    // An int read back from the file is the text "5" (a one-entry list); an
    // int still held in this process's view is no list at all. What a byte
    // array turns into is Qt's business. The rest is exact.
    const QByteArray tag = QTest::currentDataTag();
    if (tag != "QByteArray" && tag != "int")
        QCOMPARE(list, after);
    if (tag == "int")
        QVERIFY(list.size() == 1 || list == after);
    QCOMPARE(StoreTest::bytes(UserSettings::GetPreviousProjectName()), fresh.toUtf8());
}

void TestRecentProjects::recordThroughLibraryCapsAndDedupes()
{
    QStringList recorded;
    for (int i = 0; i < RecentFileList::MaxEntries + 5; ++i) {
        const QString p = project(QStringLiteral("p%1.prj").arg(i));
        recorded.prepend(p);
        QCOMPARE(UserSettings::SetPreviousProjectName(StringBase(p.toUtf8().constData())), 0u);
    }
    QStringList list = StoreTest::DiskSnapshot(m_home->storeFile()).value(kRecentFilesKey).toStringList();
    QCOMPARE(list.size(), RecentFileList::MaxEntries);
    QCOMPARE(list, recorded.mid(0, RecentFileList::MaxEntries));

    // The same file under another spelling replaces its entry.
    const QString again = m_projects->path() + QLatin1String("/./sub/../p10.prj");
    QCOMPARE(UserSettings::SetPreviousProjectName(StringBase(again.toUtf8().constData())), 0u);
    list = StoreTest::DiskSnapshot(m_home->storeFile()).value(kRecentFilesKey).toStringList();
    QCOMPARE(list.size(), RecentFileList::MaxEntries);
    QCOMPARE(list.first(), again);
    QCOMPARE(list.count(project(QStringLiteral("p10.prj"))), 0);
}

void TestRecentProjects::nonAsciiPaths_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("German") << QString::fromUtf8("Projekte/Übung/x.prj");
    QTest::newRow("Chinese") << QString::fromUtf8("项目/y.prj");
    QTest::newRow("blanks") << QString::fromUtf8("My Projects/z z.prj");
    QTest::newRow("emoji (outside the BMP)") << QString::fromUtf8("My Projects 😀/z z.prj");
    QTest::newRow("combining marks") << QString::fromUtf8("Cafe\u0301 \u1100\u1161/a\u0308\u0323.prj");
    QTest::newRow("Japanese and Korean") << QString::fromUtf8("プロジェクト 프로젝트/設計.prj");
    QTest::newRow("INI specials") << QString::fromUtf8("a=b;c,d [e]/@f.prj");
}

void TestRecentProjects::nonAsciiPaths()
{
    QFETCH(QString, name);
    const QString path = createProject(name);
    const QByteArray utf8 = path.toUtf8();
    QCOMPARE(UserSettings::SetPreviousProjectName(StringBase(utf8.constData())), 0u);
    QCOMPARE(StoreTest::bytes(UserSettings::GetPreviousProjectName()), utf8);
    QCOMPARE(StoreTest::bytesList(UserSettings::GetRecentProjects()), QList<QByteArray>{utf8});
    QCOMPARE(StoreTest::DiskSnapshot(m_home->storeFile()).value(kRecentFilesKey).toStringList(), QStringList{path});

    const KelTest::ChildResult r = KelTest::runSelf({QStringLiteral("previous")});
    QVERIFY(r.finished && r.exitCode == 0);
    QCOMPARE(QByteArray::fromHex(StoreTest::parseLines(r.out).value(QStringLiteral("hex")).toLatin1()), utf8);
}

void TestRecentProjects::anotherProcessSeesRecord()
{
    const QString a = createProject(QStringLiteral("a.prj"));
    QCOMPARE(UserSettings::SetPreviousProjectName(StringBase(a.toUtf8().constData())), 0u);
    const KelTest::ChildResult r = KelTest::runSelf({QStringLiteral("previous")});
    QVERIFY(r.finished && r.exitCode == 0);
    QCOMPARE(QByteArray::fromHex(StoreTest::parseLines(r.out).value(QStringLiteral("hex")).toLatin1()), a.toUtf8());
}

void TestRecentProjects::recordByAnotherProcessSeenHere()
{
    const QString a = createProject(QStringLiteral("a.prj"));
    const QString b = createProject(QStringLiteral("b.prj"));
    QCOMPARE(UserSettings::SetPreviousProjectName(StringBase(a.toUtf8().constData())), 0u);
    QCOMPARE(StoreTest::bytes(UserSettings::GetPreviousProjectName()), a.toUtf8());
    const KelTest::ChildResult r = KelTest::runSelf({QStringLiteral("record"), b});
    QVERIFY(r.finished && r.exitCode == 0);
    QCOMPARE(StoreTest::bytes(UserSettings::GetPreviousProjectName()), b.toUtf8());
    QCOMPARE(StoreTest::bytesList(UserSettings::GetRecentProjects()), (QList<QByteArray>{b.toUtf8(), a.toUtf8()}));
}

#if defined(KEL_SLOWFS)
namespace {

bool mounted(const QString &dir)
{
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    return mounts.open(QIODevice::ReadOnly) && mounts.readAll().contains(" " + QFile::encodeName(dir) + " fuse");
}

} // namespace
#endif

// A recent project on a share that does not answer: while one thread tests
// its existence, another thread's setters, getters and updates go on.
void TestRecentProjects::hangingExistenceTestHoldsNoOneUp()
{
#if !defined(KEL_SLOWFS)
    QSKIP("no FUSE file system to hang a file's status (POSIX, libfuse 3)");
#else
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
        QSKIP("no /dev/fuse here");
    const QString share = m_projects->path() + QLatin1String("/share");
    const QString asked = m_projects->path() + QLatin1String("/asked");
    const QString release = m_projects->path() + QLatin1String("/release");
    QVERIFY(QDir().mkpath(share));
    QProcess fileSystem;
    fileSystem.setProcessChannelMode(QProcess::MergedChannels);
    fileSystem.start(QStringLiteral(KEL_SLOWFS), {asked, release, share});
    QElapsedTimer mounting;
    mounting.start();
    while (!mounted(share) && fileSystem.state() == QProcess::Running && mounting.elapsed() < 30000)
        QThread::msleep(20);
    if (!mounted(share)) {
        fileSystem.kill();
        fileSystem.waitForFinished();
        QSKIP(qPrintable(QLatin1String("cannot mount a FUSE file system: ") + QString::fromLocal8Bit(fileSystem.readAll())));
    }
    const QString hanging = share + QLatin1String("/project.prj");
    const QString here = createProject(QStringLiteral("here.prj"));
    {
        Gui::Wisp::Settings store("Molvane", true, true, true);
        store.setValue(kRecentFilesKey, QStringList{here, hanging});
    }

    std::atomic<bool> listed{false};
    std::vector<StringBase> recent;
    QElapsedTimer listing;
    listing.start();
    std::thread lister([&] {
        recent = UserSettings::GetRecentProjects();
        listed = true;
    });
    const bool listerWaits = KelTest::waitForGo(asked, 60000);  // in its existence test
    QElapsedTimer others;
    others.start();
    QCOMPARE(UserSettings::SetOverwriteOutputFiles(true), 0u);
    QCOMPARE(UserSettings::GetOverwriteOutputFiles(), true);
    QCOMPARE(UserSettings::SetPreviousProjectName(StringBase(here.toUtf8().constData())), 0u);
    const qint64 othersMs = others.elapsed();
    const bool listerStillWaiting = !listed;
    QVERIFY(StoreTest::writeRaw(release, "go"));
    lister.join();
    const qint64 listingMs = listing.elapsed();
    fileSystem.terminate();
    QVERIFY(fileSystem.waitForFinished(30000));

    KelTest::figure(QLatin1String("a setter, a getter and an update on one thread while another tested a hanging recent "
                                  "project: ") + QString::number(othersMs) + QLatin1String(" ms; the listing took ")
                    + QString::number(listingMs) + QLatin1String(" ms, until the share answered"));
    QVERIFY2(listerWaits, "the existence test never reached the share");
    QVERIFY2(listerStillWaiting, "the other thread's calls waited for the existence test");
    QCOMPARE(StoreTest::bytesList(recent), (QList<QByteArray>{here.toUtf8(), hanging.toUtf8()}));
#endif
}

void TestRecentProjects::listPushFront_data()
{
    QTest::addColumn<QStringList>("initial");
    QTest::addColumn<QString>("pushed");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("into empty") << QStringList() << "/a/b.prj" << ul({"/a/b.prj"});
    QTest::newRow("new name") << ul({"/x.prj"}) << "/a/b.prj" << ul({"/a/b.prj", "/x.prj"});
    QTest::newRow("moves existing to front") << ul({"/x.prj", "/a/b.prj", "/y.prj"}) << "/a/b.prj"
                                             << ul({"/a/b.prj", "/x.prj", "/y.prj"});
    QTest::newRow("already first") << ul({"/a/b.prj", "/x.prj"}) << "/a/b.prj" << ul({"/a/b.prj", "/x.prj"});
    QTest::newRow("dot segment is the same file") << ul({"/x.prj", "/a/./b.prj"}) << "/a/b.prj"
                                                  << ul({"/a/b.prj", "/x.prj"});
    QTest::newRow("pushed with dot segment") << ul({"/a/b.prj", "/x.prj"}) << "/a/./b.prj"
                                             << ul({"/a/./b.prj", "/x.prj"});
    QTest::newRow("dot-dot and double slash") << ul({"/a//b.prj", "/a/c/../b.prj", "/x.prj"}) << "/a/b.prj"
                                              << ul({"/a/b.prj", "/x.prj"});
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    QTest::newRow("letter case ignored") << ul({"/A/B.prj"}) << "/a/b.prj" << ul({"/a/b.prj"});
#else
    QTest::newRow("letter case kept apart") << ul({"/A/B.prj"}) << "/a/b.prj" << ul({"/a/b.prj", "/A/B.prj"});
#endif
    QTest::newRow("duplicates already stored all go") << ul({"/a/b.prj", "/x.prj", "/a/b.prj"}) << "/a/b.prj"
                                                     << ul({"/a/b.prj", "/x.prj"});
    QTest::newRow("non-ASCII") << ul({"/Projekte/Übung/x.prj", "/项目/y.prj"}) << "/项目/y.prj"
                               << ul({"/项目/y.prj", "/Projekte/Übung/x.prj"});
    QTest::newRow("empty name") << ul({"/x.prj"}) << "" << ul({"", "/x.prj"});
}

void TestRecentProjects::listPushFront()
{
    QFETCH(QStringList, initial);
    QFETCH(QString, pushed);
    QFETCH(QStringList, expected);
    RecentFileList list(initial);
    QCOMPARE(list.getStringList(), initial);
    list.push_front(pushed);
    QCOMPARE(list.getStringList(), expected);
}

void TestRecentProjects::listCapsAtMaxEntries()
{
    QCOMPARE(RecentFileList::MaxEntries, 32);
    QStringList initial;
    for (int i = 0; i < RecentFileList::MaxEntries; ++i)
        initial << QStringLiteral("/f%1.prj").arg(i);
    RecentFileList list(initial);
    list.push_front(QStringLiteral("/new.prj"));
    const QStringList result = list.getStringList();
    QCOMPARE(result.size(), RecentFileList::MaxEntries);
    QCOMPARE(result.first(), QStringLiteral("/new.prj"));
    QCOMPARE(result.last(), QStringLiteral("/f30.prj"));
    QVERIFY(!result.contains(QStringLiteral("/f31.prj")));

    // Re-pushing an entry of a full list drops nothing.
    list.push_front(QStringLiteral("/f10.prj"));
    QCOMPARE(list.getStringList().size(), RecentFileList::MaxEntries);
    QVERIFY(list.getStringList().contains(QStringLiteral("/f30.prj")));
}

void TestRecentProjects::listLongInitialListCut()
{
    QStringList initial;
    for (int i = 0; i < 40; ++i)
        initial << QStringLiteral("/f%1.prj").arg(i);
    RecentFileList list(initial);
    QCOMPARE(list.getStringList().size(), 40);  // only push_front caps
    list.push_front(QStringLiteral("/new.prj"));
    QCOMPARE(list.getStringList().size(), RecentFileList::MaxEntries);
    QCOMPARE(list.getStringList(), QStringList{QStringLiteral("/new.prj")} + initial.mid(0, 31));
}

int main(int argc, char **argv)
{
    return KelTest::testMainWithChild<TestRecentProjects>(argc, argv, runChild);
}

#include "tst_recentprojects.moc"
