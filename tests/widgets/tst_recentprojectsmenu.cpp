// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Kel::RecentProjectsMenu and Kel::RecentProjectsModel on real stores: entries and rows, elision and mnemonics, recording, removing and clearing, a project recorded by another process, files that come back.
#include <Kel_RecentProjectsMenu.h>
#include <Kel_RecentProjectsModel.h>
#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <KelTestSupport.h>

#include "WidgetTestMain.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QScopeGuard>
#include <QtCore/QSettings>
#include <QtGui/QFontMetrics>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>

#include <cstdio>

namespace {

constexpr char RecordRole[] = "record";
// Generous: the menu promises a second; a busy machine or wine may be slower.
constexpr int AppearWaitMs = 30000;
constexpr char Ellipsis[] = "\u2026";

using Kel::UserSettings;

void record(const QString &path)
{
    UserSettings::SetPreviousProjectName(Kel::Utility::QStringToPortString(path));
}

// Project files named by words: "a" is a.qpf, "!x" the missing x.qpf.
QStringList names(const char *words)
{
    QStringList files = QString::fromLatin1(words).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString &file : files)
        file += QLatin1String(".qpf");
    return files;
}

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

// The model's rows as paths, a missing file's marked "!".
QStringList rowsOf(const Kel::RecentProjectsModel &model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row);
        const bool exists = index.data(Kel::RecentProjectsModel::ExistsRole).toBool();
        rows << (exists ? QString() : QStringLiteral("!")) + index.data(Kel::RecentProjectsModel::PathRole).toString();
    }
    return rows;
}

QStringList entryTexts(const QMenu &menu)
{
    QStringList texts;
    for (const QAction *action : menu.actions())
        texts << (action->isSeparator() ? QStringLiteral("--") : action->text());
    return texts;
}

// Whether a FUSE file system is mounted on folder.
bool mounted(const QString &folder)
{
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    return mounts.open(QIODevice::ReadOnly) && mounts.readAll().contains(' ' + QFile::encodeName(folder) + " fuse");
}

// A second process, as another instance of the application, records a project.
int childRole(const QStringList &arguments)
{
    if (arguments.value(0) == QLatin1String(RecordRole) && arguments.size() == 2) {
        record(arguments.at(1));
        return 0;
    }
    return 2;
}

} // namespace

class RecentProjectsMenuTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_files;

    // The paths of names, creating those not marked missing ("!name") and removing those that are.
    QStringList makeFiles(const QStringList &names)
    {
        QStringList paths;
        for (const QString &name : names) {
            const bool missing = name.startsWith(QLatin1Char('!'));
            const QString path = m_files.path() + QLatin1Char('/') + name.mid(missing ? 1 : 0);
            QDir().mkpath(QFileInfo(path).path());
            if (missing)
                QFile::remove(path);
            else
                touch(path);
            paths << path;
        }
        return paths;
    }

    // Stores names (most recent first) as makeFiles() makes them.
    QStringList storeProjects(const QStringList &names)
    {
        const QStringList paths = makeFiles(names);
        for (auto it = paths.crbegin(); it != paths.crend(); ++it)
            record(*it);
        return paths;
    }

    QString pathOf(const QString &name) const { return m_files.path() + QLatin1Char('/') + name; }

    // The paths of names, keeping the marks "!" of missing files.
    QStringList pathsOf(const QStringList &names) const
    {
        QStringList paths;
        for (const QString &name : names)
            paths << (name.startsWith(QLatin1Char('!')) ? QLatin1Char('!') + pathOf(name.mid(1)) : pathOf(name));
        return paths;
    }

private Q_SLOTS:
    void showsTheProjectsTheLibraryGives_data();
    void showsTheProjectsTheLibraryGives();
    void changesThroughTheMenu_data();
    void changesThroughTheMenu();
    void entryShowsNameAndElidedFolder_data();
    void entryShowsNameAndElidedFolder();
    void projectRecordedElsewhereAppearsWhileOpen();
    void fileThatComesBackShowsAgain();
    void shareThatHangsHoldsOnlyItsEntry();
    void clearListRemovesOnlyTheList();
    void choosingAnEntryNamesItsPath();
};

void RecentProjectsMenuTest::showsTheProjectsTheLibraryGives_data()
{
    QTest::addColumn<QStringList>("stored");  // most recent first; "!" marks a file that does not exist
    QTest::addColumn<int>("limit");           // -1: not stored
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("rows");    // the model's: the entries examined, "!" where missing

    const QStringList five = names("a b c d e");
    const QStringList gap = names("a !x c d e");
    QTest::newRow("nothing stored") << QStringList() << -1 << QStringList() << QStringList();
    QTest::newRow("five, limit unset") << five << -1 << names("a b c d") << names("a b c d");
    QTest::newRow("a gap within the limit") << gap << 4 << names("a c d") << names("a !x c d");
    QTest::newRow("limit 0 shows every existing one") << gap << 0 << names("a c d e") << gap;
    QTest::newRow("limit 1, first missing") << names("!x b") << 1 << QStringList() << names("!x");
    QTest::newRow("eleven, limit 0: no mnemonic past 9") << names("1 2 3 4 5 6 7 8 9 10 11") << 0
                                                         << names("1 2 3 4 5 6 7 8 9 10 11")
                                                         << names("1 2 3 4 5 6 7 8 9 10 11");
}

void RecentProjectsMenuTest::showsTheProjectsTheLibraryGives()
{
    QFETCH(QStringList, stored);
    QFETCH(int, limit);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, rows);
    KelTest::ScopedConfigHome home;
    storeProjects(stored);
    if (limit >= 0)
        UserSettings::SetRecentProjectCount(static_cast<unsigned>(limit));

    const QStringList expected = pathsOf(shown);
    QStringList fromLibrary;
    for (const Port::StringBase &path : UserSettings::GetRecentProjects())
        fromLibrary << Kel::Utility::PortStringToQString(path);
    QCOMPARE(fromLibrary, expected);  // the table is the library's rule

    // Known from construction on, before any event is handled.
    Kel::RecentProjectsMenu menu;
    Kel::RecentProjectsModel model;
    QCOMPARE(menu.projects(), expected);
    QCOMPARE(rowsOf(model), pathsOf(rows));
    QCOMPARE(model.existingProjects(), expected);
    menu.popup(QPoint(0, 0));
    QTRY_COMPARE(menu.projects(), expected);

    const QList<QAction *> actions = menu.actions();
    const int entries = qMax(1, int(expected.size()));
    QCOMPARE(actions.size(), entries + 2);
    for (int i = 0; i < expected.size(); ++i) {
        const QString number = QString::number(i + 1);
        const QString prefix = i < 9 ? QLatin1Char('&') + number + QLatin1Char(' ') : number + QLatin1Char(' ');
        QVERIFY2(actions.at(i)->text().startsWith(prefix + QFileInfo(expected.at(i)).fileName()),
                 qPrintable(actions.at(i)->text()));
        QCOMPARE(actions.at(i)->toolTip(), QDir::toNativeSeparators(expected.at(i)));
        QCOMPARE(actions.at(i)->statusTip(), QDir::toNativeSeparators(expected.at(i)));
        QVERIFY(actions.at(i)->isEnabled());
    }
    if (expected.isEmpty()) {
        QCOMPARE(actions.at(0)->text(), QStringLiteral("No Recent Projects"));
        QVERIFY(!actions.at(0)->isEnabled());
    }
    QVERIFY(actions.at(entries)->isSeparator());
    QCOMPARE(actions.at(entries + 1)->text(), QStringLiteral("&Clear List"));
    QCOMPARE(actions.at(entries + 1)->isEnabled(), !stored.isEmpty());
}

void RecentProjectsMenuTest::changesThroughTheMenu_data()
{
    QTest::addColumn<QStringList>("stored");  // most recent first; "!" marks a file that does not exist
    QTest::addColumn<int>("limit");           // -1: not stored
    QTest::addColumn<QString>("call");        // addProject, removeProject, clear, or "Clear List" chosen
    QTest::addColumn<QString>("name");        // its argument; "!" marks a file that does not exist
    QTest::addColumn<QStringList>("after");   // stored afterwards
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("changed");        // projectsChanged() emitted

    QTest::newRow("add puts it first") << names("a b") << -1 << "add" << "c.qpf" << names("c a b") << names("c a b")
                                       << true;
    QTest::newRow("add a missing one to none: stored, not shown, can be cleared")
        << QStringList() << -1 << "add" << "!x.qpf" << names("x") << QStringList() << false;
    QTest::newRow("add beyond the limit keeps the older entries")
        << names("a b c") << 2 << "add" << "d.qpf" << names("d a b c") << names("d a") << true;
    QTest::newRow("remove") << names("a b c") << -1 << "remove" << "b.qpf" << names("a c") << names("a c") << true;
    QTest::newRow("remove the same file spelled otherwise")
        << names("a b") << -1 << "remove" << "sub/../b.qpf" << names("a") << names("a") << true;
    QTest::newRow("remove a missing one beyond the limit")
        << names("a b !x") << 2 << "remove" << "!x.qpf" << names("a b") << names("a b") << false;
    QTest::newRow("remove the last one") << names("a") << -1 << "remove" << "a.qpf" << QStringList() << QStringList()
                                         << true;
    QTest::newRow("clear") << names("a !x") << -1 << "clear" << "" << QStringList() << QStringList() << true;
    QTest::newRow("Clear List with only missing ones")
        << names("!x !y") << -1 << "Clear List" << "" << QStringList() << QStringList() << false;
}

// Each call is in the store and in projects() when it returns; another model follows.
void RecentProjectsMenuTest::changesThroughTheMenu()
{
    QFETCH(QStringList, stored);
    QFETCH(int, limit);
    QFETCH(QString, call);
    QFETCH(QString, name);
    QFETCH(QStringList, after);
    QFETCH(QStringList, shown);
    QFETCH(bool, changed);
    KelTest::ScopedConfigHome home;
    storeProjects(stored);
    if (limit >= 0)
        UserSettings::SetRecentProjectCount(static_cast<unsigned>(limit));
    const QString path = name.isEmpty() ? QString() : makeFiles({name}).constFirst();
    const QStringList expected = pathsOf(shown);

    Kel::RecentProjectsMenu menu;
    Kel::RecentProjectsModel elsewhere;
    QSignalSpy changes(&menu, &Kel::RecentProjectsMenu::projectsChanged);
    if (call == QLatin1String("add")) {
        menu.addProject(path);
    } else if (call == QLatin1String("remove")) {
        menu.removeProject(path);
    } else if (call == QLatin1String("clear")) {
        menu.clear();
    } else {
        menu.actions().constLast()->trigger();  // does nothing while disabled
        QTRY_VERIFY(!menu.actions().constLast()->isEnabled());
    }
    QCOMPARE(menu.projects(), expected);

    QSettings onDisk(home.storeFile(), QSettings::IniFormat);
    QCOMPARE(onDisk.value(QStringLiteral("RecentFiles")).toStringList(), pathsOf(after));
    QTRY_COMPARE(elsewhere.existingProjects(), expected);
    QCOMPARE(menu.actions().constLast()->isEnabled(), !after.isEmpty());
    QCOMPARE(changes.size(), changed ? 1 : 0);
}

void RecentProjectsMenuTest::entryShowsNameAndElidedFolder_data()
{
    QTest::addColumn<QString>("name");     // relative to the working folder
    QTest::addColumn<bool>("elided");
    QTest::addColumn<Qt::LayoutDirection>("direction");

    const QString deep = QStringLiteral("customers/Acme Instruments/2024 field units/revision C/bench/"
                                        "controller firmware and its many test fixtures/top");
    QTest::newRow("short folder, whole") << QStringLiteral("p/top.qpf") << false << Qt::LeftToRight;
    QTest::newRow("long folder, cut in the middle") << deep + QLatin1String("/top.qpf") << true << Qt::LeftToRight;
    QTest::newRow("ampersand is no mnemonic") << QStringLiteral("R&D/R&D.qpf") << false << Qt::LeftToRight;
    QTest::newRow("right to left") << deep + QLatin1String("/top.qpf") << true << Qt::RightToLeft;
}

void RecentProjectsMenuTest::entryShowsNameAndElidedFolder()
{
    QFETCH(QString, name);
    QFETCH(bool, elided);
    QFETCH(Qt::LayoutDirection, direction);
    KelTest::ScopedConfigHome home;
    // Relative names keep the folders as short as the row says.
    const QString working = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_files.path()));
    const auto back = qScopeGuard([&working] { QDir::setCurrent(working); });
    QVERIFY(QDir().mkpath(QFileInfo(name).path()));
    QVERIFY(touch(name));
    record(name);
    const QString path = name;

    Kel::RecentProjectsMenu menu;
    menu.setLayoutDirection(direction);
    menu.popup(QPoint(0, 0));
    QTRY_COMPARE(menu.projects(), QStringList{path});
    QString text = menu.actions().constFirst()->text();
    text.remove(QChar(0x202A)).remove(QChar(0x202C));  // the embedding that keeps a path left to right

    const QFileInfo file(path);
    const QString escapedName = file.fileName().replace(QLatin1Char('&'), QLatin1String("&&"));
    QVERIFY2(text.startsWith(QLatin1String("&1 ") + escapedName + QLatin1Char(' ')), qPrintable(text));
    const QString folder = QDir::toNativeSeparators(file.path()).replace(QLatin1Char('&'), QLatin1String("&&"));
    QCOMPARE(text.contains(folder), !elided);
    QCOMPARE(text.contains(QString::fromUtf8(Ellipsis)), elided);
    if (elided) {
        // Both ends of the folder stay: where it starts and the folder itself.
        QVERIFY2(text.contains(QLatin1String("customers")), qPrintable(text));
        QVERIFY2(text.endsWith(QLatin1String("top")), qPrintable(text));
        const QFontMetrics metrics(menu.font());
        QVERIFY(metrics.horizontalAdvance(text) <= 62 * metrics.averageCharWidth());  // 60 and the '&'s
    }
}

void RecentProjectsMenuTest::projectRecordedElsewhereAppearsWhileOpen()
{
    KelTest::ScopedConfigHome home;
    const QString first = storeProjects({QStringLiteral("first.qpf")}).constFirst();
    const QString second = pathOf(QStringLiteral("second.qpf"));
    QVERIFY(touch(second));

    Kel::RecentProjectsMenu menu;
    menu.popup(QPoint(0, 0));
    QTRY_COMPARE(menu.projects(), QStringList{first});
    QVERIFY(menu.isVisible());

    const KelTest::ChildResult child =
        KelTest::runSelf({QLatin1String(RecordRole), second}, {{QStringLiteral("XDG_CONFIG_HOME"), home.path()}});
    QVERIFY(child.finished);
    QCOMPARE(child.exitCode, 0);
    QElapsedTimer sinceRecorded;
    sinceRecorded.start();
    QTRY_COMPARE_WITH_TIMEOUT(menu.projects(), (QStringList{second, first}), AppearWaitMs);
    std::printf("FIGURE: a project recorded by another process appeared in the open menu after %lld ms\n",
                static_cast<long long>(sinceRecorded.elapsed()));
    QVERIFY(menu.isVisible());
}

void RecentProjectsMenuTest::fileThatComesBackShowsAgain()
{
    KelTest::ScopedConfigHome home;
    const QStringList paths = storeProjects({QStringLiteral("disk/a.qpf"), QStringLiteral("b.qpf")});
    Kel::RecentProjectsMenu menu;
    menu.popup(QPoint(0, 0));
    QTRY_COMPARE(menu.projects(), paths);

    QVERIFY(QDir(pathOf(QStringLiteral("disk"))).removeRecursively());  // the disk is unplugged
    QTRY_COMPARE_WITH_TIMEOUT(menu.projects(), QStringList{paths.at(1)}, AppearWaitMs);
    QVERIFY(QDir().mkpath(pathOf(QStringLiteral("disk"))));
    QVERIFY(touch(paths.at(0)));  // and plugged in again
    QTRY_COMPARE_WITH_TIMEOUT(menu.projects(), paths, AppearWaitMs);

    // Closed and opened again, it shows what is there then.
    menu.close();
    QVERIFY(QFile::remove(paths.at(1)));
    menu.popup(QPoint(0, 0));
    QTRY_COMPARE_WITH_TIMEOUT(menu.projects(), QStringList{paths.at(0)}, AppearWaitMs);
}

// A project on a share that does not answer stays out while the menu opens,
// shows its other entries and follows the store; it shows once the share answers.
void RecentProjectsMenuTest::shareThatHangsHoldsOnlyItsEntry()
{
#if !defined(KEL_SLOWFS)
    QSKIP("no FUSE file system to hang a file's status (POSIX, libfuse 3)");
#else
    if (!QFileInfo::exists(QStringLiteral("/dev/fuse")))
        QSKIP("no /dev/fuse here");
    KelTest::ScopedConfigHome home;
    const QString share = pathOf(QStringLiteral("share"));
    const QString asked = pathOf(QStringLiteral("asked"));
    const QString release = pathOf(QStringLiteral("release"));
    QFile::remove(asked);
    QFile::remove(release);
    QVERIFY(QDir().mkpath(share));
    QProcess fileSystem;
    fileSystem.start(QStringLiteral(KEL_SLOWFS), {asked, release, share});
    const auto unmount = qScopeGuard([&] {
        touch(release);
        fileSystem.terminate();
        fileSystem.waitForFinished(AppearWaitMs);
    });
    QTRY_VERIFY_WITH_TIMEOUT(mounted(share), AppearWaitMs);
    const QString hanging = share + QLatin1String("/far.qpf");
    const QStringList near = storeProjects({QStringLiteral("near.qpf")});
    record(hanging);

    QElapsedTimer opening;
    opening.start();
    Kel::RecentProjectsMenu menu;
    menu.popup(QPoint(0, 0));
    QTRY_COMPARE(menu.projects(), near);
    QTRY_VERIFY(QFile::exists(asked));  // its test waits on the share
    const qint64 openedMs = opening.elapsed();
    std::printf("FIGURE: the menu opened and showed its other entry after %lld ms while a share hung\n",
                static_cast<long long>(openedMs));
    QVERIFY(openedMs < AppearWaitMs);  // the share holds a test for 90 s
    const QString later = pathOf(QStringLiteral("later.qpf"));
    QVERIFY(touch(later));
    record(later);  // the menu still follows the store meanwhile
    QTRY_COMPARE_WITH_TIMEOUT(menu.projects(), (QStringList{later, near.constFirst()}), AppearWaitMs);

    QVERIFY(touch(release));  // the share answers
    QTRY_COMPARE_WITH_TIMEOUT(menu.projects(), (QStringList{later, hanging, near.constFirst()}), AppearWaitMs);
#endif
}

void RecentProjectsMenuTest::clearListRemovesOnlyTheList()
{
    KelTest::ScopedConfigHome home;
    storeProjects({QStringLiteral("a.qpf"), QStringLiteral("b.qpf")});
    UserSettings::SetRecentProjectCount(7);
    Kel::RecentProjectsMenu menu;
    menu.popup(QPoint(0, 0));
    QTRY_COMPARE(menu.projects().size(), 2);

    menu.actions().constLast()->trigger();
    QTRY_COMPARE(entryTexts(menu), (QStringList{QStringLiteral("No Recent Projects"), QStringLiteral("--"),
                                                QStringLiteral("&Clear List")}));
    QVERIFY(!menu.actions().constLast()->isEnabled());
    QVERIFY(UserSettings::GetRecentProjects().empty());
    QCOMPARE(UserSettings::GetRecentProjectCount(), 7u);
    QSettings onDisk(home.storeFile(), QSettings::IniFormat);
    QVERIFY(!onDisk.contains(QStringLiteral("RecentFiles")));
    QCOMPARE(onDisk.value(QStringLiteral("RecentProjectCount")).toInt(), 7);
}

void RecentProjectsMenuTest::choosingAnEntryNamesItsPath()
{
    KelTest::ScopedConfigHome home;
    const QStringList paths = storeProjects({QStringLiteral("a.qpf"), QStringLiteral("b.qpf")});
    Kel::RecentProjectsMenu menu;
    QSignalSpy triggered(&menu, &Kel::RecentProjectsMenu::projectTriggered);
    menu.popup(QPoint(0, 0));
    QTRY_COMPARE(menu.projects(), paths);
    QTest::keyClick(&menu, Qt::Key_2);  // the mnemonic
    QTRY_COMPARE(triggered.size(), 1);
    QCOMPARE(triggered.constFirst().constFirst().toString(), paths.at(1));
}

int main(int argc, char **argv)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--child") == 0) {
            QCoreApplication app(argc, argv);
            return childRole(QCoreApplication::arguments().mid(i + 1));
        }
    }
    return WidgetTest::run<RecentProjectsMenuTest>(argc, argv);
}

#include "tst_recentprojectsmenu.moc"
