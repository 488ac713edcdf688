// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// A writer killed at random moments (SIGKILL, TerminateProcess): the store stays whole, confirmed writes stay, the next write is quick.
#include "ReliabilitySupport.h"

#include <Gui/Wisp/Settings.h>
#include <Kel_UserSettings.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QProcess>
#include <QtCore/QRandomGenerator>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <algorithm>

namespace {

constexpr char kWriterRole[] = "endless-writer";
#if defined(Q_OS_WIN)
// Each start of a program costs more than half a second under wine.
constexpr int kKillsPerCase = 25;
#else
constexpr int kKillsPerCase = 200;
#endif
// Kills land up to this long after the writer confirmed its first write,
// which spans several whole writes (each a write, a flush and a rename).
constexpr int kLongestKillDelayUs = 25000;
// "Never stalls": well under the 30 s QSettings waits on a lock file it takes
// for a live writer's, with room for a busy machine; the worst is printed.
constexpr qint64 kNextWriteLimitMs = 15000;
constexpr int kChildWaitMs = 20000;
// A writer outlives its parent by no more than this many writes.
constexpr int kMostWritesPerChild = 100000;

QString keyOf(qint64 index)
{
    return QLatin1Char('k') + QString::number(index);
}

// Child: writes keys from base upwards and confirms each on standard output
// once the setter has returned; stops when no parent reads the confirmations.
int endlessWriter(const QStringList &args)
{
    const qint64 base = args.value(0).toLongLong();
    for (qint64 i = base; i < base + kMostWritesPerChild; ++i) {
        Kel::UserSettings::SetWidgetState(keyOf(i), QVariant(i));
        std::printf("ok %lld\n", static_cast<long long>(i));
        if (std::fflush(stdout) != 0)
            break;
    }
    return 0;
}

int childMain(const QStringList &args)
{
    if (args.value(0) == QLatin1String(kWriterRole))
        return endlessWriter(args.mid(1));
    return 2;
}

// The writes a child confirmed in complete lines.
QList<qint64> confirmedWrites(const QByteArray &out)
{
    QList<QByteArray> lines = out.split('\n');
    lines.removeLast();  // after the last newline: empty, or a line the kill cut short
    QList<qint64> confirmed;
    for (const QByteArray &line : lines) {
        bool ok = false;
        const qint64 index = line.startsWith("ok ") ? line.mid(3).toLongLong(&ok) : -1;
        if (ok)
            confirmed << index;
    }
    return confirmed;
}

// QSettings, reading a private copy of the file, finds no format error.
bool qtReadsWhole(const QString &storeFile, const QString &scratchDir)
{
    const QString copy = scratchDir + QLatin1String("/qt-copy.ini");
    QFile::remove(copy);
    if (QFile::exists(storeFile) && !QFile::copy(storeFile, copy))
        return false;
    QSettings reader(copy, QSettings::IniFormat);
    reader.allKeys();
    return reader.status() == QSettings::NoError;
}

enum class LeftOver { None, QtLockFile, EmptyStoreLock };

} // namespace

Q_DECLARE_METATYPE(LeftOver)

class TestKilledWriter : public QObject
{
    Q_OBJECT

private slots:
    void killedAtRandomMoments_data();
    void killedAtRandomMoments();
};

void TestKilledWriter::killedAtRandomMoments_data()
{
    QTest::addColumn<LeftOver>("leftOver");
    QTest::newRow("no lock file") << LeftOver::None;
    QTest::newRow("empty Molvane.ini.lock as Qt leaves it") << LeftOver::QtLockFile;
    QTest::newRow("empty Molvane.ini.flock") << LeftOver::EmptyStoreLock;
}

void TestKilledWriter::killedAtRandomMoments()
{
    QFETCH(LeftOver, leftOver);
    KelTest::ScopedConfigHome home;
    QTemporaryDir scratch;
    const QString store = home.storeFile();
    QDir().mkpath(QFileInfo(store).absolutePath());
    if (leftOver == LeftOver::QtLockFile)
        QVERIFY(KelTest::touchFile(store + QLatin1String(".lock")));
    if (leftOver == LeftOver::EmptyStoreLock)
        QVERIFY(KelTest::touchFile(store + QLatin1String(".flock")));

    QRandomGenerator random(QRandomGenerator::global()->generate());
    QList<qint64> allConfirmed;
    int killsLeavingTemporary = 0;
    int temporariesSoFar = 0;
    qint64 worstNextWriteMs = 0;
    for (int round = 0; round < kKillsPerCase; ++round) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child"), QLatin1String(kWriterRole), QString::number(qint64(round) * 1000000)});
        QVERIFY(child.waitForStarted(kChildWaitMs));
        QDeadlineTimer firstWrite(kChildWaitMs);
        while (!child.canReadLine() && !firstWrite.hasExpired() && child.state() == QProcess::Running)
            child.waitForReadyRead(10);
        QVERIFY2(child.state() == QProcess::Running, "the writer ended before it was killed");
        QThread::usleep(random.bounded(kLongestKillDelayUs));
        child.kill();  // SIGKILL, or TerminateProcess on Windows: no chance to clean up
        QVERIFY(child.waitForFinished(kChildWaitMs));
        const QList<qint64> confirmed = confirmedWrites(child.readAllStandardOutput());
        QVERIFY(!confirmed.isEmpty());
        allConfirmed += confirmed;
        const int leftBehind = KelTest::temporaryFiles(store);
        if (leftBehind > temporariesSoFar)
            ++killsLeavingTemporary;
        temporariesSoFar = leftBehind;

        // The file as the kill left it: whole for both readers, every confirmed write in it.
        QVERIFY2(qtReadsWhole(store, scratch.path()), "QSettings finds a format error");
        {
            KelTest::MessageRecorder messages;
            Gui::Wisp::Settings reader("Molvane", true, true, true);
            for (const QString &key : reader.allKeys())
                reader.getValue(key, QVariant());
            for (qint64 index : confirmed)
                QCOMPARE(reader.getValue(QLatin1String("WidgetState") + keyOf(index), QVariant()), QVariant(index));
            QVERIFY2(messages.lines().isEmpty(), qPrintable(messages.lines().join(QLatin1Char('\n'))));
        }

        // The next writer is neither held up nor left with debris.
        QElapsedTimer timer;
        timer.start();
        Kel::UserSettings::SetWidgetState(QStringLiteral("after-kill"), QVariant(round));
        const qint64 nextWriteMs = timer.elapsed();
        worstNextWriteMs = std::max(worstNextWriteMs, nextWriteMs);
        QVERIFY2(nextWriteMs < kNextWriteLimitMs, "the write after a kill waited fifteen seconds or more");
        QCOMPARE(Kel::UserSettings::GetWidgetState(QStringLiteral("after-kill")), QVariant(round));
    }

    int missing = 0;
    for (qint64 index : allConfirmed) {
        if (Kel::UserSettings::GetWidgetState(keyOf(index)) != QVariant(index))
            ++missing;
    }
    KelTest::figure(QLatin1String("writer killed ") + QString::number(kKillsPerCase) + QLatin1String(" times (")
                    + QLatin1String(QTest::currentDataTag()) + QLatin1String("): ")
                    + QString::number(allConfirmed.size()) + QLatin1String(" confirmed writes, ")
                    + QString::number(missing) + QLatin1String(" missing, ")
                    + QString::number(killsLeavingTemporary)
                    + QLatin1String(" kills left a temporary file of QSettings' behind, worst next write ")
                    + QString::number(worstNextWriteMs) + QLatin1String(" ms"));
    QCOMPARE(missing, 0);
}

KEL_RELIABILITY_TEST_MAIN(TestKilledWriter, childMain)
#include "tst_killedwriter.moc"
