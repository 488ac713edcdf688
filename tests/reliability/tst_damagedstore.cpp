// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Damaged store files, and values this process cannot make, read and written through the library: no crash, the values that survived, no write refused.
#include "ReliabilitySupport.h"
#include "LogRecorder.h"

#include <Kel_UserSettings.h>
#include <Gui/Wisp/Settings.h>

#include <QtCore/QRandomGenerator>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <functional>

namespace {

// One preference as a getter sees it: the key it is stored under, what the
// getter gives without it, and what it gives for the value the test stored.
struct Preference
{
    const char *key;
    std::function<QVariant()> get;
    QVariant byDefault;
    QVariant stored;
};

const QByteArray kWindowState("\x01\x02window state", 14);

// Serialized values, as a file holds them, that this process reads safely
// but cannot make back as they were: a type number Qt never writes, a cursor
// or a pixmap in a program without a GUI.
struct UnreadValue
{
    const char *name;
    QByteArray text;
};

const QList<UnreadValue> &unreadValues()
{
    static const QList<UnreadValue> values{
        {"a type number Qt never writes", "@Variant(\\0\\0\\x4\\0\\0\\0\\0\\x1)"},
        {"cursor", "@Variant(\\0\\0\\0J\\0\\0\\0\\0)"},
        {"pixmap under the number of a later type", "@Variant(\\0\\0\\0\\xa2\\0\\0\\0\\0)"},
        {"pixmap of one pixel", "@Variant(\\0\\0\\0\\x41\\0\\0\\0\\x1\\x89PNG\\r\\n\\x1a\\n\\0\\0\\0\\rIHDR\\0\\0\\0\\x1\\0\\0\\0"
                                "\\x1\\b\\x2\\0\\0\\0\\x90wS\\xde\\0\\0\\0\\tpHYs\\0\\0\\xe\\xc4\\0\\0\\xe\\xc4\\x1\\x95+\\xe\\x1b\\0\\0"
                                "\\0\\fIDAT\\b\\x99\\x63\\xf8\\xcf\\xc0\\0\\0\\x3\\x1\\x1\\0\\x9c\\xe3\\xbfY\\0\\0\\0\\0IEND\\xae\\x42`\\x82)"},
    };
    return values;
}

const QList<Preference> &preferences()
{
    using S = Kel::UserSettings;
    static const QList<Preference> list{
        {"JavaMemorySize", [] { return QVariant(S::GetJavaMemorySize()); }, QVariant(1024u), QVariant(2048u)},
        {"RecentProjectCount", [] { return QVariant(S::GetRecentProjectCount()); }, QVariant(4u), QVariant(7u)},
        {"UseDefaultPDFViewer", [] { return QVariant(S::GetUseDefaultPDFViewer()); }, QVariant(true), QVariant(false)},
        {"OverwriteFiles", [] { return QVariant(S::GetOverwriteOutputFiles()); }, QVariant(false), QVariant(true)},
        {"DisplayReadme", [] { return QVariant(S::GetDisplayReadmeFile()); }, QVariant(true), QVariant(false)},
        {"WidgetStatepanel", [] { return S::GetWidgetState(QStringLiteral("panel")); }, QVariant(), QVariant(5)},
        {"WindowState", [] { return QVariant(S::GetWindowState()); }, QVariant(QByteArray()), QVariant(kWindowState)},
    };
    return list;
}

void storeEveryPreference()
{
    using S = Kel::UserSettings;
    S::SetJavaMemorySize(3);
    S::SetRecentProjectCount(7);
    S::SetUseDefaultPDFViewer(false);
    S::SetOverwriteOutputFiles(true);
    S::SetDisplayReadmeFile(false);
    S::SetWidgetState(QStringLiteral("panel"), QVariant(5));
    S::SetWindowState(kWindowState);
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

// A literal's bytes, NULs included.
template <std::size_t N>
QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, int(N - 1));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The text of a file the library wrote with every preference stored.
QByteArray wholeStoreFile()
{
    KelTest::ScopedConfigHome home;
    storeEveryPreference();
    return readFile(home.storeFile());
}

// "key: got X, expected Y" for a getter that gives something it must not.
QString describe(const Preference &p, const QVariant &got, const QString &expected)
{
    return QLatin1String(p.key) + QLatin1String(": got ") + got.toString() + QLatin1String(", expected ") + expected;
}

} // namespace

class TestDamagedStore : public QObject
{
    Q_OBJECT

private slots:
    void gettersGiveDefaultsOrSurvivors_data();
    void gettersGiveDefaultsOrSurvivors();
    void everyTruncationKeepsWholeLines();
    void randomFilesAreReadAndRepaired();
    void writeIsNeverRefusedForAnUnreadValue_data();
    void writeIsNeverRefusedForAnUnreadValue();
};

void TestDamagedStore::gettersGiveDefaultsOrSurvivors_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("survivors");  // keys whose stored value must come back

    const QByteArray good = "JavaMemorySize=3\nRecentProjectCount=7\n";
    const QStringList both{QStringLiteral("JavaMemorySize"), QStringLiteral("RecentProjectCount")};
    QTest::newRow("NUL-filled") << QByteArray(8192, '\0') << QStringList();
    QTest::newRow("NUL-filled after good lines") << "[General]\n" + good + QByteArray(8192, '\0') << both;
    QTest::newRow("NUL inside a value") << bytes("[General]\nJavaMemorySize=3\0\0\nRecentProjectCount=7\n")
                                        << QStringList{QStringLiteral("RecentProjectCount")};
    QTest::newRow("unclosed [ after good lines") << "[General]\n" + good + "[Molvane\nOverwriteFiles=true\n" << both;
    QTest::newRow("unclosed [ first") << "[Gene\n" + good << QStringList();
    QTest::newRow("missing =") << QByteArray("[General]\nJavaMemorySize 3\nRecentProjectCount=7\nDisplayReadme\n")
                               << QStringList{QStringLiteral("RecentProjectCount")};
    QTest::newRow("only a key") << QByteArray("JavaMemorySize") << QStringList();
    QTest::newRow("binary garbage lines between") << QByteArray("[General]\n\x01\xff\xfe\x80garbage\nJavaMemorySize=3\n\x7f\x1b[2J\n"
                                                                 "RecentProjectCount=7\n")
                                                  << both;
    QTest::newRow("damaged variant") << QByteArray("[General]\nJavaMemorySize=3\nWindowState=@ByteArray(\\x\nWidgetStatepanel="
                                                   "@Variant(\\0\\0\\0\\x2)\nRecentProjectCount=7\n")
                                     << both;
    QTest::newRow("value cut in an escape") << "[General]\n" + good + "WindowState=@ByteArray(\\x1\\" << both;
    for (const UnreadValue &unread : unreadValues())
        QTest::newRow(unread.name) << "[General]\n" + good + "WidgetStatepanel=" + unread.text + '\n' << both;
    QTest::newRow("empty file") << QByteArray() << QStringList();
}

// A getter whose key the file does not mention gives its default; one whose
// line the damage spared gives the stored value; the damaged line itself may
// read as whatever text it now holds, as QSettings would read it.
void TestDamagedStore::gettersGiveDefaultsOrSurvivors()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, survivors);
    KelTest::ScopedConfigHome home;
    KelTest::MessageRecorder messages;  // QSettings' own complaints are fine here
    QVERIFY(writeFile(home.storeFile(), content));

    for (const Preference &p : preferences()) {
        const QVariant got = p.get();
        if (survivors.contains(QLatin1String(p.key)))
            QVERIFY2(got == p.stored, qPrintable(describe(p, got, p.stored.toString())));
        else if (!content.contains(p.key))
            QVERIFY2(got == p.byDefault, qPrintable(describe(p, got, p.byDefault.toString())));
    }
}

// A file cut anywhere: every line wholly before the cut reads as stored,
// every line after it as unset; the line the cut runs through may read as
// anything ("RecentProjectCount=1" of 17 is a number like any other), but
// must not crash.
void TestDamagedStore::everyTruncationKeepsWholeLines()
{
    const QByteArray whole = wholeStoreFile();
    QVERIFY(whole.endsWith('\n'));
    KelTest::ScopedConfigHome home;
    KelTest::MessageRecorder messages;
    int checks = 0;
    for (int cut = 0; cut <= whole.size(); ++cut) {
        QVERIFY(writeFile(home.storeFile(), whole.left(cut)));
        for (const Preference &p : preferences()) {
            const int start = int(whole.indexOf("\n" + QByteArray(p.key) + '=')) + 1;
            QVERIFY(start > 0);
            const int end = int(whole.indexOf('\n', start)) + 1;
            const QVariant got = p.get();
            if (cut >= end)
                QVERIFY2(got == p.stored, qPrintable(describe(p, got, p.stored.toString())));
            else if (cut <= start)
                QVERIFY2(got == p.byDefault, qPrintable(describe(p, got, p.byDefault.toString())));
            ++checks;
        }
    }
    KelTest::figure(QLatin1String("store file cut at each of ") + QString::number(whole.size() + 1)
                    + QLatin1String(" places: ") + QString::number(checks)
                    + QLatin1String(" getter calls, whole lines always kept, no crash"));
}

// What a reader that parses the store file afresh finds under key: this
// store in another process, as seen through a copy under a second scope.
QVariant freshStoreRead(const QString &storeFile, const QString &key)
{
    const QString copy = QFileInfo(storeFile).absolutePath() + QLatin1String("/FreshCopy.ini");
    QFile::remove(copy);
    if (!QFile::copy(storeFile, copy))
        return QVariant();
    Gui::Wisp::Settings fresh("FreshCopy", true, true, true);
    return fresh.getValue(key, QVariant());
}

// The same through QSettings, or an invalid value when it finds a format error.
QVariant freshQtRead(const QString &storeFile, const QString &key, const QString &scratchDir)
{
    const QString copy = scratchDir + QLatin1String("/qt-copy.ini");
    QFile::remove(copy);
    if (!QFile::copy(storeFile, copy))
        return QVariant();
    QSettings qt(copy, QSettings::IniFormat);
    const QVariant value = qt.value(key);
    return qt.status() == QSettings::NoError ? value : QVariant();
}

// Random bytes, and random bytes before good lines: no getter crashes, the
// good lines are read, and the next setter's value is served. (A quote or a
// backslash may carry a value on over line breaks in this format, so garbage
// before good lines holds neither.)
void TestDamagedStore::randomFilesAreReadAndRepaired()
{
    KelTest::ScopedConfigHome home;
    KelTest::LogRecorder messages;
    QTemporaryDir scratch;
    QRandomGenerator random(20261207);
    const QByteArray alphabet("[]=;,\"\\@#%()\n\r\t aAxU0123456789VariantByteArrayJavaMemorySize");
    constexpr int kFiles = 400;
    int lostForFreshStore = 0;
    int lostForQt = 0;
    for (int round = 0; round < kFiles; ++round) {
        QByteArray content;
        const int size = int(random.bounded(600));
        for (int i = 0; i < size; ++i)
            content.append(random.bounded(3) == 0 ? char(random.bounded(256))
                                                  : alphabet.at(int(random.bounded(alphabet.size()))));
        if (round % 2 == 1) {
            content.replace('"', 'q').replace('\\', 'b');
            content += "\n[General]\nJavaMemorySize=3\n";
        }
        QVERIFY(writeFile(home.storeFile(), content));

        for (const Preference &p : preferences())
            p.get();
        std::vector<Port::StringBase> args;
        Port::StringBase path;
        Kel::UserSettings::GetRecentProjects();
        Kel::UserSettings::GetPDFViewerPath(path, args);
        Kel::UserSettings::GetWebBrowserPath(path, args);
        if (round % 2 == 1)
            QCOMPARE(Kel::UserSettings::GetJavaMemorySize(), 2048u);

        QCOMPARE(Kel::UserSettings::SetRecentProjectCount(9), 0u);
        QCOMPARE(Kel::UserSettings::GetRecentProjectCount(), 9u);
        const QString key = QStringLiteral("RecentProjectCount");
        lostForFreshStore += freshStoreRead(home.storeFile(), key) != QVariant(QStringLiteral("9")) ? 1 : 0;
        lostForQt += freshQtRead(home.storeFile(), key, scratch.path()) != QVariant(QStringLiteral("9")) ? 1 : 0;
    }
    KelTest::figure(QString::number(kFiles) + QLatin1String(" random store files read through every getter: no crash; ")
                    + QLatin1String("the next setter's value then missed by a fresh reader in ")
                    + QString::number(lostForFreshStore) + QLatin1String(" (this store) and ")
                    + QString::number(lostForQt) + QLatin1String(" (QSettings)"));
    QCOMPARE(lostForFreshStore, 0);
    QCOMPARE(lostForQt, 0);
}

void TestDamagedStore::writeIsNeverRefusedForAnUnreadValue_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("kept");  // a line the write must leave as it was, or empty

    QTest::newRow("open quote, last line") << QByteArray("[General]\nA=\"never closed") << QByteArray();
    QTest::newRow("open quote, line break after") << QByteArray("[General]\nA=x\"y\n") << QByteArray();
    QTest::newRow("backslash, last byte") << QByteArray("[General]\nA=x\\") << QByteArray();
    QTest::newRow("backslash before line break") << QByteArray("[General]\nA=x\\\n") << QByteArray();
    QTest::newRow("closed quotes") << QByteArray("[General]\nA=\"x\" \"y\"\n") << QByteArray();
    for (const UnreadValue &unread : unreadValues()) {
        const QByteArray line = "WidgetStatepanel=" + unread.text;
        QTest::newRow(unread.name) << "[General]\nA=x\n" + line + "\nB=y\n" << line;
        QTest::newRow(qPrintable(QLatin1String(unread.name) + QLatin1String(", in a section of its own")))
            << "[General]\nA=x\n[Peer%20Own]\n" + line + "\n" << "[Peer%20Own]\n" + line;
    }
}

// A file holding what this process cannot read, or cannot make back as it
// was: the getter is read as QSettings reads it, the next write is made and
// reaches every reader that parses the file afresh, and the value this
// process could not make stays in the file as it was.
void TestDamagedStore::writeIsNeverRefusedForAnUnreadValue()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, kept);
    KelTest::ScopedConfigHome home;
    KelTest::LogRecorder messages;
    QTemporaryDir scratch;
    QVERIFY(writeFile(home.storeFile(), content));
    Kel::UserSettings::GetWidgetState(QStringLiteral("panel"));  // the file is read first
    QCOMPARE(Kel::UserSettings::SetRecentProjectCount(9), 0u);

    const QString key = QStringLiteral("RecentProjectCount");
    QCOMPARE(freshStoreRead(home.storeFile(), key), QVariant(QStringLiteral("9")));
    QCOMPARE(freshQtRead(home.storeFile(), key, scratch.path()), QVariant(QStringLiteral("9")));
    QVERIFY2(readFile(home.storeFile()).replace("\r\n", "\n").contains(kept), readFile(home.storeFile()).constData());
    QVERIFY2(messages.warnings().isEmpty(), qPrintable(messages.warnings().join(QLatin1Char('\n'))));
    QCOMPARE(QDir(QFileInfo(home.storeFile()).absolutePath()).entryList(QDir::Files).size(), 2);  // and FreshCopy.ini
}

QTEST_GUILESS_MAIN(TestDamagedStore)
#include "tst_damagedstore.moc"
