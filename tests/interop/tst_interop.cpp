// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The store and QSettings programs of both Qt majors on one file at once: nothing lost, every value read back as written.
#include "ReliabilitySupport.h"
#include "VariantTransport.h"

#include <Gui/Wisp/Settings.h>
#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <QtCore/QEasingCurve>
#include <QtCore/QProcess>
#include <QtCore/QUuid>
#include <QtCore/QVersionNumber>
#include <QtTest/QtTest>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr char kScope[] = "Molvane";
constexpr int kRuns = 3;
constexpr int kKeysPerWriter = 300;
constexpr int kHeldRounds = 20;
// Two writers of this many fill exactly the entries the recent-file list keeps.
constexpr int kProjectsPerWriter = 16;
constexpr int kWritersWaitMs = 600000;

struct Peer
{
    QString program;
    int qtMajor;
    QString name;
};

QList<Peer> peers()
{
    QList<Peer> list{{KelTest::binDir() + QLatin1String("/kel_qsettings_peer"), QT_VERSION_MAJOR,
                      QLatin1String("QSettings of Qt ") + QString::number(QT_VERSION_MAJOR)}};
    const QString other = QStringLiteral(KEL_OTHER_QSETTINGS_PEER);
    if (!other.isEmpty())
        list.append({other, KEL_OTHER_QT_MAJOR, QLatin1String("QSettings of Qt ") + QString::number(KEL_OTHER_QT_MAJOR)});
    return list;
}

QString encoded(const QVariant &value)
{
    return QString::fromLatin1(KelTest::encodedVariant(value));
}

// "value BASE64" as the peer and the store child print it; invalid for "absent".
QVariant printedValue(const QByteArray &out)
{
    return out.startsWith("value ") ? KelTest::decodedVariant(out.mid(6).trimmed()) : QVariant();
}

void printValue(const Gui::Wisp::Settings &store, const QString &key)
{
    if (store.contains(key))
        std::printf("value %s\n", encoded(store.getValue(key, QVariant())).toLatin1().constData());
    else
        std::printf("absent\n");
}

// ---- Child roles: the store in a process of its own ---------------------------

int childRole(const QStringList &args)
{
    const QString role = args.value(0);
    if (role == QLatin1String("store-get")) {  // store-get KEY
        Gui::Wisp::Settings store(kScope, true, true, true);
        printValue(store, args.value(1));
        return 0;
    }
    if (role == QLatin1String("store-write-keys")) {  // store-write-keys PREFIX COUNT GOFILE
        if (!KelTest::waitForGo(args.value(3)))
            return 3;
        for (int i = 0; i < args.value(2).toInt(); ++i) {
            Gui::Wisp::Settings store(kScope, true, true, true);
            store.setValue(args.value(1) + QString::number(i), i);
        }
        return 0;
    }
    if (role == QLatin1String("record-projects")) {  // record-projects PREFIX COUNT GOFILE
        if (!KelTest::waitForGo(args.value(3)))
            return 3;
        for (int i = 0; i < args.value(2).toInt(); ++i)
            Kel::UserSettings::SetPreviousProjectName(Kel::Utility::QStringToPortString(args.value(1) + QString::number(i)));
        return 0;
    }
    if (role == QLatin1String("hold-store")) {  // hold-store KEY OPENEDFILE GOFILE: open, wait, write, close
        Gui::Wisp::Settings store(kScope, true, true, true);
        if (!KelTest::touchFile(args.value(2)) || !KelTest::waitForGo(args.value(3)))
            return 3;
        store.setValue(args.value(1), QStringLiteral("store"));
        return 0;
    }
    return 2;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The lines of a file from "[section]" up to the next section, without the blank lines around.
QByteArray sectionOf(const QByteArray &content, const QByteArray &section)
{
    const int start = int(content.indexOf("[" + section + "]"));
    if (start < 0)
        return QByteArray();
    const int next = int(content.indexOf("\n[", start));
    return (next < 0 ? content.mid(start) : content.mid(start, next - start)).trimmed();
}

QString program(const QString &name)
{
#if defined(Q_OS_WIN)
    return KelTest::binDir() + QLatin1Char('/') + name + QLatin1String(".exe");
#else
    return KelTest::binDir() + QLatin1Char('/') + name;
#endif
}

KelTest::ChildResult runPeer(const Peer &peer, const QStringList &args)
{
    return KelTest::runProgram(peer.program, args);
}

int peerCount(const Peer &peer, const QString &file, const QString &prefix, int count)
{
    const KelTest::ChildResult r = runPeer(peer, {QStringLiteral("count-keys"), file, prefix, QString::number(count)});
    return r.exitCode == 0 ? r.out.trimmed().toInt() : 0;
}

QString percentOf(int part, int whole)
{
    return QString::number(100.0 * part / whole, 'f', 1) + QLatin1Char('%');
}

} // namespace

class TestInterop : public QObject
{
    Q_OBJECT

private slots:
    void writersAtOnceLoseNothing_data();
    void writersAtOnceLoseNothing();
    void recentProjectsStayWholeBetweenStoreWriters();
    void heldStoreObjectKeepsPeerKeys();
    void valuesReadBackThroughTheOtherEngine_data();
    void valuesReadBackThroughTheOtherEngine();
    void peerValuesKeptThroughStoreWrites_data();
    void peerValuesKeptThroughStoreWrites();
    void toolKeepsGuiValues();
    void changeWithinTheSameMillisecondIsSeen();
    void fileStaysTheUsers_data();
    void fileStaysTheUsers();
};

void TestInterop::writersAtOnceLoseNothing_data()
{
    QTest::addColumn<QString>("peerProgram");
    for (const Peer &peer : peers())
        QTest::newRow(qPrintable(peer.name)) << peer.program;
}

// A store writer and a QSettings writer, distinct keys, at the same time.
void TestInterop::writersAtOnceLoseNothing()
{
    QFETCH(QString, peerProgram);
    const Peer peer{peerProgram, 0, QString()};
    int lostByStore = 0;
    int lostByPeer = 0;
    QElapsedTimer wall;
    wall.start();
    for (int run = 0; run < kRuns; ++run) {
        KelTest::ScopedConfigHome home;
        const QString file = home.storeFile();
        QDir().mkpath(QFileInfo(file).absolutePath());
        const QString go = home.path() + QLatin1String("/go");
        QProcess store;
        QProcess qt;
        store.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child"), QStringLiteral("store-write-keys"), QStringLiteral("s"),
                     QString::number(kKeysPerWriter), go});
        qt.start(peer.program, {QStringLiteral("write-keys"), file, QStringLiteral("q"), QString::number(kKeysPerWriter), go});
        QVERIFY(store.waitForStarted() && qt.waitForStarted());
        QVERIFY(KelTest::touchFile(go));
        QVERIFY(store.waitForFinished(kWritersWaitMs) && qt.waitForFinished(kWritersWaitMs));
        QCOMPARE(store.exitCode(), 0);
        QCOMPARE(qt.exitCode(), 0);
        lostByStore += kKeysPerWriter - peerCount(peer, file, QStringLiteral("s"), kKeysPerWriter);
        lostByPeer += kKeysPerWriter - peerCount(peer, file, QStringLiteral("q"), kKeysPerWriter);
    }
    const int each = kRuns * kKeysPerWriter;
    KelTest::figure(QLatin1String("store and ") + QLatin1String(QTest::currentDataTag()) + QLatin1String(" writing ")
                    + QString::number(kKeysPerWriter) + QLatin1String(" keys each at once, ") + QString::number(kRuns)
                    + QLatin1String(" runs: store keys lost ") + QString::number(lostByStore) + QLatin1String(" of ")
                    + QString::number(each) + QLatin1String(", QSettings keys lost ") + QString::number(lostByPeer)
                    + QLatin1String(" of ") + QString::number(each) + QLatin1String(" (")
                    + percentOf(lostByStore + lostByPeer, 2 * each) + QLatin1String("), ")
                    + QString::number(wall.elapsed()) + QLatin1String(" ms"));
    QCOMPARE(lostByStore, 0);
    QCOMPARE(lostByPeer, 0);
}

// Recording a project reads the list, puts the name first and writes it
// back; two store writers doing so at once lose no name.
void TestInterop::recentProjectsStayWholeBetweenStoreWriters()
{
    int lost = 0;
    for (int run = 0; run < kRuns; ++run) {
        KelTest::ScopedConfigHome home;
        const QString go = home.path() + QLatin1String("/go");
        QProcess a;
        QProcess b;
        const QStringList common{QString::number(kProjectsPerWriter), go};
        a.start(QCoreApplication::applicationFilePath(),
                QStringList{QStringLiteral("--child"), QStringLiteral("record-projects"), QStringLiteral("/a/")} + common);
        b.start(QCoreApplication::applicationFilePath(),
                QStringList{QStringLiteral("--child"), QStringLiteral("record-projects"), QStringLiteral("/b/")} + common);
        QVERIFY(a.waitForStarted() && b.waitForStarted());
        QVERIFY(KelTest::touchFile(go));
        QVERIFY(a.waitForFinished(kWritersWaitMs) && b.waitForFinished(kWritersWaitMs));
        const QStringList stored = printedValue(KelTest::runSelf({QStringLiteral("store-get"), QStringLiteral("RecentFiles")}).out)
                                       .toStringList();
        for (const QString &prefix : {QStringLiteral("/a/"), QStringLiteral("/b/")}) {
            for (int i = 0; i < kProjectsPerWriter; ++i)
                lost += stored.contains(prefix + QString::number(i)) ? 0 : 1;
        }
    }
    KelTest::figure(QLatin1String("two store writers recording ") + QString::number(kProjectsPerWriter)
                    + QLatin1String(" recent projects each at once, ") + QString::number(kRuns)
                    + QLatin1String(" runs: names lost ") + QString::number(lost) + QLatin1String(" of ")
                    + QString::number(2 * kRuns * kProjectsPerWriter));
    QCOMPARE(lost, 0);
}

// A store object stays open while a QSettings program writes; the store
// object's write afterwards keeps what the program wrote.
void TestInterop::heldStoreObjectKeepsPeerKeys()
{
    const Peer peer = peers().first();
    int peerKeysLost = 0;
    int storeKeysLost = 0;
    for (int round = 0; round < kHeldRounds; ++round) {
        KelTest::ScopedConfigHome home;
        const QString file = home.storeFile();
        const QString opened = home.path() + QLatin1String("/opened");
        const QString go = home.path() + QLatin1String("/go");
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--child"), QStringLiteral("hold-store"), QStringLiteral("FromStore"), opened, go});
        QVERIFY(holder.waitForStarted());
        QVERIFY(KelTest::waitForGo(opened));
        QCOMPARE(runPeer(peer, {QStringLiteral("set"), file, QStringLiteral("FromQSettings"), encoded(round)}).exitCode, 0);
        QVERIFY(KelTest::touchFile(go));
        QVERIFY(holder.waitForFinished(kWritersWaitMs));
        QCOMPARE(holder.exitCode(), 0);
        const QVariant fromPeer = printedValue(runPeer(peer, {QStringLiteral("get"), file, QStringLiteral("FromQSettings")}).out);
        const QVariant fromStore = printedValue(runPeer(peer, {QStringLiteral("get"), file, QStringLiteral("FromStore")}).out);
        peerKeysLost += fromPeer.toInt() == round && fromPeer.isValid() ? 0 : 1;
        storeKeysLost += fromStore == QVariant(QStringLiteral("store")) ? 0 : 1;
    }
    KelTest::figure(QLatin1String("store object held open while ") + peer.name + QLatin1String(" wrote, ")
                    + QString::number(kHeldRounds) + QLatin1String(" rounds: its key lost ")
                    + QString::number(peerKeysLost) + QLatin1String(" times, the store's ")
                    + QString::number(storeKeysLost));
    QCOMPARE(peerKeysLost, 0);
    QCOMPARE(storeKeysLost, 0);
}

void TestInterop::valuesReadBackThroughTheOtherEngine_data()
{
    QTest::addColumn<QString>("peerProgram");
    QTest::addColumn<bool>("storeWrites");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("readKey");  // the same key as QSettings normalises it
    QTest::addColumn<QVariant>("value");

    QByteArray everyByte;
    for (int i = 0; i < 256; ++i)
        everyByte.append(char(i));
    const QVariantMap withFloatAndShort{{QStringLiteral("f"), QVariant(1.5f)},
                                        {QStringLiteral("s"), QVariant::fromValue(short(-7))},
                                        {QStringLiteral("t"), QStringLiteral("\u00dcbung")}};
    struct Row
    {
        const char *name;
        QString key;
        QString readKey;
        QVariant value;
        bool textOutsideAscii;  // plain text beyond ASCII, which Qt 5 reads from a Qt 6 file as Latin-1
    };
    const QString plain = QStringLiteral("Key");
    const QList<Row> rows{
        {"text", plain, plain, QStringLiteral("mupdf -r 96 %1, \"quoted\"; x=y"), false},
        {"text outside ASCII", plain, plain, QStringLiteral("\u00dcbung \u9879\u76ee \U0001F600 e\u0301"), true},
        {"empty text", plain, plain, QString::fromLatin1(""), false},
        {"text list", plain, plain, QStringList{QStringLiteral("a"), QStringLiteral("b, c"), QStringLiteral("\u00e9")}, true},
        {"map holding float and short", plain, plain, withFloatAndShort, false},
        {"list holding float and short", plain, plain, QVariantList{QVariant(2.25f), QVariant::fromValue(short(3))}, false},
        {"uuid", plain, plain, QVariant(QUuid(0x12345678, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10)), false},
        {"every byte", plain, plain, everyByte, false},
        {"key a//b", QStringLiteral("a//b"), QStringLiteral("a/b"), QStringLiteral("v"), false},
        {"key /x", QStringLiteral("/x"), QStringLiteral("x"), QStringLiteral("v"), false},
        {"key x/", QStringLiteral("x/"), QStringLiteral("x"), QStringLiteral("v"), false},
        {"key /x/", QStringLiteral("/x/"), QStringLiteral("x"), QStringLiteral("v"), false},
    };
    for (const Peer &peer : peers()) {
        for (const bool storeWrites : {true, false}) {
            const int writer = storeWrites ? QT_VERSION_MAJOR : peer.qtMajor;
            const int reader = storeWrites ? peer.qtMajor : QT_VERSION_MAJOR;
            for (const Row &row : rows) {
                if (row.textOutsideAscii && writer == 6 && reader == 5)
                    continue;  // Qt 6 writes such text as UTF-8, which Qt 5 reads as Latin-1
                const QString name = QLatin1String(row.name) + (storeWrites ? QLatin1String(", store to ")
                                                                            : QLatin1String(", to the store from "))
                                     + peer.name;
                QTest::newRow(qPrintable(name)) << peer.program << storeWrites << row.key << row.readKey << row.value;
            }
        }
    }
}

// Written by one engine, read by the other in a process of its own.
void TestInterop::valuesReadBackThroughTheOtherEngine()
{
    QFETCH(QString, peerProgram);
    QFETCH(bool, storeWrites);
    QFETCH(QString, key);
    QFETCH(QString, readKey);
    QFETCH(QVariant, value);
    const Peer peer{peerProgram, 0, QString()};
    KelTest::ScopedConfigHome home;
    const QString file = home.storeFile();
    KelTest::ChildResult read;
    if (storeWrites) {
        {
            Gui::Wisp::Settings store(kScope, true, true, true);
            store.setValue(key, value);
        }
        read = runPeer(peer, {QStringLiteral("get"), file, readKey});
    } else {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QCOMPARE(runPeer(peer, {QStringLiteral("set"), file, key, encoded(value)}).exitCode, 0);
        read = KelTest::runSelf({QStringLiteral("store-get"), readKey});
    }
    QCOMPARE(read.exitCode, 0);
    QCOMPARE(printedValue(read.out), value);
}

void TestInterop::peerValuesKeptThroughStoreWrites_data()
{
    QTest::addColumn<QString>("peerProgram");
    QTest::addColumn<QVariant>("value");  // invalid: a type of the peer's own
    QEasingCurve curve(QEasingCurve::InOutBack);
    curve.setOvershoot(2.25);
    for (const Peer &peer : peers()) {
        QTest::newRow(qPrintable(QLatin1String("easing curve from ") + peer.name)) << peer.program << QVariant(curve);
        QTest::newRow(qPrintable(QLatin1String("version number from ") + peer.name))
            << peer.program << QVariant::fromValue(QVersionNumber(6, 2, 11));
        QTest::newRow(qPrintable(QLatin1String("the peer's own type from ") + peer.name)) << peer.program << QVariant();
    }
}

// Values that Qt reads safely, whatever their type, stay in the file as the
// peer wrote them when the store writes another key; a type this process
// does not know reads as nothing here.
void TestInterop::peerValuesKeptThroughStoreWrites()
{
    QFETCH(QString, peerProgram);
    QFETCH(QVariant, value);
    const Peer peer{peerProgram, 0, QString()};
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    qRegisterMetaTypeStreamOperators<QVersionNumber>("QVersionNumber");  // for this test's own encoding
#endif
    KelTest::ScopedConfigHome home;
    const QString file = home.storeFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    const QString key = QStringLiteral("Peer/Value");
    const QStringList set = value.isValid() ? QStringList{QStringLiteral("set"), file, key, encoded(value)}
                                            : QStringList{QStringLiteral("set-mark"), file, key, QStringLiteral("own")};
    QCOMPARE(runPeer(peer, set).exitCode, 0);
    const QByteArray written = sectionOf(readFile(file), "Peer");
    QVERIFY(written.contains("@Variant("));
    {
        Gui::Wisp::Settings store(kScope, true, true, true);
        QCOMPARE(encoded(store.getValue(key, QVariant())), encoded(value));
        store.setValue(QStringLiteral("FromStore"), 1);
    }
    QCOMPARE(sectionOf(readFile(file), "Peer"), written);
    const KelTest::ChildResult read = runPeer(
        peer, {value.isValid() ? QStringLiteral("get") : QStringLiteral("get-mark"), file, key});
    QCOMPARE(read.out.trimmed(), value.isValid() ? "value " + encoded(value).toLatin1() : QByteArray("mark own 7"));
}

// kel-settings sets a key in a file that holds values only a GUI program
// reads, and rewrites those unchanged.
void TestInterop::toolKeepsGuiValues()
{
    if (!QFileInfo::exists(program(QStringLiteral("kel-settings"))))
        QSKIP("kel-settings is not built");
    KelTest::ScopedConfigHome home;
    const QString file = home.storeFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    const KelTest::ChildResult peer = KelTest::runProgram(program(QStringLiteral("kel_qsettings_gui_peer")),
                                                          {QStringLiteral("set-gui"), file},
                                                          {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}});
    QCOMPARE(peer.exitCode, 0);
    const QByteArray gui = sectionOf(readFile(file), "Gui");
    QCOMPARE(gui.count("@Variant("), 5);

    const KelTest::ChildResult tool = KelTest::runProgram(program(QStringLiteral("kel-settings")),
                                                          {QStringLiteral("set"), QStringLiteral("RecentProjectCount"),
                                                           QStringLiteral("9")});
    QVERIFY2(tool.exitCode == 0, tool.err.constData());
    QVERIFY2(!tool.err.contains("warning"), tool.err.constData());
    QCOMPARE(sectionOf(readFile(file), "Gui"), gui);
    QVERIFY(readFile(file).contains("RecentProjectCount=9"));
}

// A file replaced at the same size within the same millisecond, which
// QSettings' own look misses: the next store object reads the new value.
void TestInterop::changeWithinTheSameMillisecondIsSeen()
{
    KelTest::ScopedConfigHome home;
    const QString file = home.storeFile();
    const QString key = QStringLiteral("Value");
    {
        Gui::Wisp::Settings store(kScope, true, true, true);
        store.setValue(key, QStringLiteral("old"));
    }
    {
        Gui::Wisp::Settings store(kScope, true, true, true);
        QCOMPARE(store.getValue(key, QVariant()).toString(), QStringLiteral("old"));
    }
    QFile current(file);
    QVERIFY(current.open(QIODevice::ReadOnly));
    const QByteArray before = current.readAll();
    const QDateTime modified = QFileInfo(file).lastModified();
    current.close();
    QByteArray after = before;
    after.replace("=old", "=new");
    QCOMPARE(after.size(), before.size());
    const QString replacement = file + QLatin1String(".new");
    {
        QFile next(replacement);
        QVERIFY(next.open(QIODevice::WriteOnly));
        QCOMPARE(next.write(after), after.size());
        QVERIFY(next.flush());
        QVERIFY(next.setFileTime(modified, QFileDevice::FileModificationTime));
    }
    QVERIFY(QFile::remove(file));
    QVERIFY(QFile::rename(replacement, file));
    QCOMPARE(QFileInfo(file).lastModified(), modified);

    Gui::Wisp::Settings store(kScope, true, true, true);
    QCOMPARE(store.getValue(key, QVariant()).toString(), QStringLiteral("new"));
}

enum class FileCase { SymbolicLink, ModeKept, NewFileUmask, OwnerKept };
Q_DECLARE_METATYPE(FileCase)

void TestInterop::fileStaysTheUsers_data()
{
    QTest::addColumn<FileCase>("fileCase");
    QTest::newRow("a symbolic link is written through") << FileCase::SymbolicLink;
    QTest::newRow("the mode of the file is kept") << FileCase::ModeKept;
    QTest::newRow("a new file follows the umask") << FileCase::NewFileUmask;
    QTest::newRow("the owner is kept when root writes") << FileCase::OwnerKept;
}

void TestInterop::fileStaysTheUsers()
{
#if defined(Q_OS_UNIX)
    QFETCH(FileCase, fileCase);
    KelTest::ScopedConfigHome home;
    const QString file = home.storeFile();
    const QByteArray name = QFile::encodeName(file);
    QDir().mkpath(QFileInfo(file).absolutePath());
    const QString target = home.path() + QLatin1String("/dotfiles/Molvane.ini");
    constexpr uid_t kSomeoneElse = 65534;  // nobody
    switch (fileCase) {
    case FileCase::SymbolicLink:
        QDir().mkpath(QFileInfo(target).absolutePath());
        QVERIFY(KelTest::touchFile(target));
        QVERIFY(QFile::link(target, file));
        break;
    case FileCase::ModeKept:
        QVERIFY(KelTest::touchFile(file));
        QCOMPARE(::chmod(name.constData(), 0600), 0);
        break;
    case FileCase::NewFileUmask:
        break;
    case FileCase::OwnerKept:
        if (::geteuid() != 0)
            QSKIP("only root writes a file it does not own");
        QVERIFY(KelTest::touchFile(file));
        QCOMPARE(::chown(name.constData(), kSomeoneElse, kSomeoneElse), 0);
        break;
    }
    const mode_t previousMask = ::umask(027);
    {
        Gui::Wisp::Settings store(kScope, true, true, true);
        store.setValue(QStringLiteral("Value"), QStringLiteral("written"));
    }
    ::umask(previousMask);

    struct stat st;
    QCOMPARE(::lstat(name.constData(), &st), 0);
    switch (fileCase) {
    case FileCase::SymbolicLink: {
        QVERIFY(S_ISLNK(st.st_mode));
        QSettings reader(target, QSettings::IniFormat);
        QCOMPARE(reader.value(QStringLiteral("Value")).toString(), QStringLiteral("written"));
        break;
    }
    case FileCase::ModeKept:
        QCOMPARE(st.st_mode & 07777, mode_t(0600));
        break;
    case FileCase::NewFileUmask:
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        break;
    case FileCase::OwnerKept:
        QCOMPARE(st.st_uid, kSomeoneElse);
        QCOMPARE(st.st_gid, gid_t(kSomeoneElse));
        break;
    }
#else
    QSKIP("modes, owners and symbolic links are those of POSIX");
#endif
}

int main(int argc, char **argv)
{
    return KelTest::testMainWithChild<TestInterop>(argc, argv, childRole);
}
#include "tst_interop.moc"
