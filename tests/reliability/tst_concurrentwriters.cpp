// Several processes writing the store at once through the library's setters: nothing lost, no long stall.
#include "ReliabilitySupport.h"

#include <Gui/Wisp/RecentFileList.h>
#include <Gui/Wisp/Settings.h>
#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr char kWidgetRole[] = "widgets";
constexpr char kRecentRole[] = "recent";
constexpr int kWidgetWriters = 4;
constexpr int kWidgetKeysEach = 500;
constexpr int kRecentWriters = 2;
constexpr int kRecentNamesEach = 200;
// "Never hangs": far beyond any write on a busy machine; the measured worst
// write is printed with the figures.
constexpr double kWorstWriteLimitMs = 20000.0;
constexpr int kChildrenFinishMs = 240000;
constexpr int kListCap = Gui::Wisp::RecentFileList::MaxEntries;

QString widgetName(int writer, int index)
{
    return QLatin1Char('w') + QString::number(writer) + QLatin1Char('_') + QString::number(index);
}

QString projectName(int writer, int sequence)
{
    return QLatin1String("/projects/writer") + QString::number(writer) + QLatin1String("/p")
           + QString::number(sequence);
}

// Child: writes its widget states one setter call at a time and reports the slowest call.
int writeWidgets(int writer, int count, const QString &goFile)
{
    if (!KelTest::waitForGo(goFile))
        return 3;
    qint64 worstNs = 0;
    int worstIndex = -1;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer timer;
        timer.start();
        Kel::UserSettings::SetWidgetState(widgetName(writer, i), QVariant(i));
        if (timer.nsecsElapsed() > worstNs) {
            worstNs = timer.nsecsElapsed();
            worstIndex = i;
        }
    }
    std::printf("worst_ms=%.3f at=%d\n", double(worstNs) / 1e6, worstIndex);
    return 0;
}

// Child: records its projects and, after each confirmed record, prints the
// stored list as one store object sees it (a consistent snapshot, taken under
// the store's lock).
int recordProjects(int writer, int count, const QString &goFile)
{
    if (!KelTest::waitForGo(goFile))
        return 3;
    for (int k = 0; k < count; ++k) {
        Kel::UserSettings::SetPreviousProjectName(Kel::Utility::QStringToPortString(projectName(writer, k)));
        QStringList stored;
        {
            Gui::Wisp::Settings store("Molvane", true, true, true);
            stored = store.getValue(QStringLiteral("RecentFiles"), QVariant()).toStringList();
        }
        const QByteArray line = "obs " + stored.join(QLatin1Char('|')).toUtf8() + '\n';
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    }
    return 0;
}

int childMain(const QStringList &args)
{
    if (args.size() != 4)
        return 2;
    const int writer = args.at(1).toInt();
    const int count = args.at(2).toInt();
    if (args.at(0) == QLatin1String(kWidgetRole))
        return writeWidgets(writer, count, args.at(3));
    if (args.at(0) == QLatin1String(kRecentRole))
        return recordProjects(writer, count, args.at(3));
    return 2;
}

// Starts writers children of role at once and gives back their standard outputs.
QList<QByteArray> runWritersAtOnce(const char *role, int writers, int count, const QString &goFile)
{
    std::vector<std::unique_ptr<QProcess>> children;
    for (int w = 0; w < writers; ++w) {
        auto child = std::make_unique<QProcess>();
        child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--child"), QLatin1String(role), QString::number(w), QString::number(count),
                      goFile});
        children.push_back(std::move(child));
    }
    for (auto &child : children)
        child->waitForStarted();
    KelTest::touchFile(goFile);
    QList<QByteArray> outputs;
    for (auto &child : children) {
        const bool finished = child->waitForFinished(kChildrenFinishMs);
        outputs << (finished && child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0
                        ? child->readAllStandardOutput()
                        : QByteArray());
    }
    return outputs;
}

struct ListEntry
{
    int writer = -1;
    int sequence = -1;
};

// What a lost update leaves behind in a stored list, or empty when nothing.
//
// The list is most recent first and every name is recorded once, so without
// losses it holds exactly the newest records of the two writers, capped at
// kListCap: each writer's entries are an unbroken run of its sequence
// numbers counting down by one, and entries fall off only at the old end.
// A lost update is a record whose read-modify-write was overwritten by a
// writer that read the list before it: the lost name is missing between its
// writer's newer and older names (a gap in the run) or, once older names of
// both writers have fallen off, the list is short of the cap. The cap never
// hides a loss this way, because entries leave strictly oldest first.
QString lostUpdateIn(const QStringList &list)
{
    static const QRegularExpression pattern(QStringLiteral("^/projects/writer(\\d+)/p(\\d+)$"));
    if (list.size() > kListCap)
        return QStringLiteral("more entries than the cap");
    QVector<int> lastSeen(kRecentWriters, -1);
    QVector<int> oldest(kRecentWriters, -1);
    for (const QString &name : list) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch())
            return QLatin1String("a foreign entry: ") + name;
        const int writer = match.captured(1).toInt();
        const int sequence = match.captured(2).toInt();
        if (writer < 0 || writer >= kRecentWriters)
            return QLatin1String("an unknown writer: ") + name;
        if (lastSeen[writer] != -1 && sequence != lastSeen[writer] - 1)
            return QLatin1String("writer ") + QString::number(writer) + QLatin1String(" jumps from p")
                   + QString::number(lastSeen[writer]) + QLatin1String(" to p") + QString::number(sequence);
        lastSeen[writer] = sequence;
        oldest[writer] = sequence;
    }
    const bool somethingFellOff = std::any_of(oldest.begin(), oldest.end(), [](int s) { return s > 0; });
    if (somethingFellOff && list.size() != kListCap)
        return QLatin1String("older entries fell off but the list holds only ") + QString::number(list.size());
    return QString();
}

} // namespace

class TestConcurrentWriters : public QObject
{
    Q_OBJECT

private slots:
    void widgetStatesFromFourProcesses();
    void lostUpdateCheckSeesLosses_data();
    void lostUpdateCheckSeesLosses();
    void recentProjectsFromTwoProcesses();
};

void TestConcurrentWriters::widgetStatesFromFourProcesses()
{
    KelTest::ScopedConfigHome home;
    QTemporaryDir scratch;
    QElapsedTimer wall;
    wall.start();
    const QList<QByteArray> outputs =
        runWritersAtOnce(kWidgetRole, kWidgetWriters, kWidgetKeysEach, scratch.filePath(QStringLiteral("go")));
    const qint64 wallMs = wall.elapsed();

    double worstMs = 0;
    for (const QByteArray &out : outputs) {
        QVERIFY2(out.startsWith("worst_ms="), "a writer did not finish");
        worstMs = std::max(worstMs, out.mid(9, out.indexOf(' ') - 9).toDouble());
        qInfo("%s", out.trimmed().constData());
    }
    int lost = 0;
    for (int w = 0; w < kWidgetWriters; ++w) {
        for (int i = 0; i < kWidgetKeysEach; ++i) {
            if (Kel::UserSettings::GetWidgetState(widgetName(w, i)) != QVariant(i))
                ++lost;
        }
    }
    // QSettings must read the result as well, every key of it.
    const QString copy = scratch.filePath(QStringLiteral("copy.ini"));
    QVERIFY(QFile::copy(home.storeFile(), copy));
    QSettings reader(copy, QSettings::IniFormat);
    const int qtKeys = int(reader.allKeys().size());

    KelTest::figure(QString::number(kWidgetWriters) + QLatin1String(" processes x ") + QString::number(kWidgetKeysEach)
                    + QLatin1String(" widget states at once: ") + QString::number(lost)
                    + QLatin1String(" lost, worst single write ") + QString::number(worstMs, 'f', 1)
                    + QLatin1String(" ms, all done in ") + QString::number(wallMs) + QLatin1String(" ms"));
    QCOMPARE(lost, 0);
    QCOMPARE(reader.status(), QSettings::NoError);
    QCOMPARE(qtKeys, kWidgetWriters * kWidgetKeysEach);
    QVERIFY2(worstMs < kWorstWriteLimitMs, "a single write waited twenty seconds or more");
}

// The check must see the losses it is meant to see, and nothing else.
void TestConcurrentWriters::lostUpdateCheckSeesLosses_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<bool>("lost");

    auto names = [](std::initializer_list<std::pair<int, int>> entries) {
        QStringList list;
        for (const auto &e : entries)
            list << projectName(e.first, e.second);
        return list;
    };
    QStringList full;  // 32 newest of two interleaved writers, nothing lost
    for (int k = 20; k > 4; --k)
        full << projectName(0, k) << projectName(1, k);

    QTest::newRow("interleaved, nothing lost") << names({{1, 3}, {0, 2}, {0, 1}, {1, 2}, {1, 1}, {0, 0}, {1, 0}})
                                               << false;
    QTest::newRow("full list, oldest fell off") << full << false;
    QTest::newRow("other writer's name overwritten") << names({{0, 3}, {1, 4}, {1, 2}, {0, 2}}) << true;
    QTest::newRow("own name overwritten") << names({{0, 3}, {0, 1}, {1, 0}, {0, 0}}) << true;
    QTest::newRow("short list after falling off") << QStringList(full.mid(0, 30)) << true;
    QTest::newRow("duplicate") << names({{0, 1}, {0, 1}, {0, 0}}) << true;
}

void TestConcurrentWriters::lostUpdateCheckSeesLosses()
{
    QFETCH(QStringList, list);
    QFETCH(bool, lost);
    QCOMPARE(!lostUpdateIn(list).isEmpty(), lost);
}

void TestConcurrentWriters::recentProjectsFromTwoProcesses()
{
    KelTest::ScopedConfigHome home;
    QTemporaryDir scratch;
    const QList<QByteArray> outputs =
        runWritersAtOnce(kRecentRole, kRecentWriters, kRecentNamesEach, scratch.filePath(QStringLiteral("go")));

    int observations = 0;
    int interleaved = 0;
    QStringList losses;
    for (const QByteArray &out : outputs) {
        for (const QByteArray &line : out.split('\n')) {
            if (!line.startsWith("obs "))
                continue;
            ++observations;
            interleaved += line.contains("writer0/") && line.contains("writer1/") ? 1 : 0;
            // trimmed: on Windows the child's C runtime ends the line with "\r\n".
            const QString stored = QString::fromUtf8(line.mid(4)).trimmed();
            const QString lost = lostUpdateIn(stored.split(QLatin1Char('|'), Qt::SkipEmptyParts));
            if (!lost.isEmpty())
                losses << lost;
        }
    }
    // The last record of each writer is seen by no observation after it: in
    // the final list each writer's newest entry must be its last record.
    QStringList finalList;
    {
        Gui::Wisp::Settings store("Molvane", true, true, true);
        finalList = store.getValue(QStringLiteral("RecentFiles"), QVariant()).toStringList();
    }
    QString finalLoss = lostUpdateIn(finalList);
    for (int w = 0; w < kRecentWriters && finalLoss.isEmpty(); ++w) {
        const QString prefix = QLatin1String("/projects/writer") + QString::number(w) + QLatin1Char('/');
        const auto newest = std::find_if(finalList.begin(), finalList.end(),
                                         [&prefix](const QString &name) { return name.startsWith(prefix); });
        if (newest != finalList.end() && *newest != projectName(w, kRecentNamesEach - 1))
            finalLoss = QLatin1String("the last record of writer ") + QString::number(w) + QLatin1String(" is lost");
    }

    KelTest::figure(QString::number(kRecentWriters) + QLatin1String(" processes x ")
                    + QString::number(kRecentNamesEach) + QLatin1String(" recent projects at once: ")
                    + QString::number(observations) + QLatin1String(" stored lists checked (")
                    + QString::number(interleaved) + QLatin1String(" holding both writers' names), ")
                    + QString::number(losses.size() + (finalLoss.isEmpty() ? 0 : 1))
                    + QLatin1String(" showing a lost update"));
    QCOMPARE(observations, kRecentWriters * kRecentNamesEach);
    QVERIFY2(losses.isEmpty(), qPrintable(losses.value(0)));
    QVERIFY2(finalLoss.isEmpty(), qPrintable(finalLoss));
    QCOMPARE(finalList.size(), kListCap);
}

KEL_RELIABILITY_TEST_MAIN(TestConcurrentWriters, childMain)
#include "tst_concurrentwriters.moc"
