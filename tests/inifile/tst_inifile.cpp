// The store's INI files against QSettings: either side reads what the other wrote, value for value.
#include <Gui/Wisp/Settings.h>

#include "KelTestSupport.h"

#include <QtCore/QDateTime>
#include <QtCore/QFile>
#include <QtCore/QRandomGenerator>
#include <QtCore/QRect>
#include <QtCore/QSettings>
#include <QtTest/QtTest>

namespace {

const char kScope[] = "Molvane";

std::unique_ptr<QSettings> qtSettings(const QString &path)
{
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    settings->setIniCodec("UTF-8");
#endif
    return settings;
}

// QSettings keeps what it wrote in memory; a copy makes it parse the file.
std::unique_ptr<QSettings> freshQtReader(const QString &path)
{
    static int n = 0;
    const QString copy = QFileInfo(path).absolutePath() + QStringLiteral("/fresh%1.ini").arg(++n);
    QFile::copy(path, copy);
    return qtSettings(copy);
}

// What QSettings reads back from a file it wrote itself: the reference.
QVariant qtRoundTrip(const QString &dir, const QString &key, const QVariant &value)
{
    const QString path = dir + QStringLiteral("/reference.ini");
    QFile::remove(path);
    qtSettings(path)->setValue(key, value);
    return freshQtReader(path)->value(key);
}

QString storeFile(const KelTest::ScopedConfigHome &home)
{
    return home.storeFile();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void valuesMatchQSettings_data();
    void valuesMatchQSettings();
    void keysMatchQSettings_data();
    void keysMatchQSettings();
    void sectionNamedGeneralKeepsItsCase();
    void charactersBeyondTheBasicPlaneSurvive();
    void keepsOtherWritersKeysAndOrder();
    void damagedFilesReadWhatSurvives_data();
    void damagedFilesReadWhatSurvives();
    void randomBytesNeverCrash();
};

void TestIniFile::valuesMatchQSettings_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::newRow("true") << QVariant(true);
    QTest::newRow("false") << QVariant(false);
    QTest::newRow("int min") << QVariant(int(-2147483647 - 1));
    QTest::newRow("long long") << QVariant(qlonglong(1) << 40);
    QTest::newRow("double") << QVariant(3.25);
    QTest::newRow("empty text") << QVariant(QString());
    QTest::newRow("comma") << QVariant(QStringLiteral("a, b"));
    QTest::newRow("semicolon") << QVariant(QStringLiteral("x;y"));
    QTest::newRow("equals") << QVariant(QStringLiteral("k=v"));
    QTest::newRow("edge blanks") << QVariant(QStringLiteral("  both  "));
    QTest::newRow("quotes and backslash") << QVariant(QStringLiteral("say \"hi\" C:\\dir\\"));
    QTest::newRow("control characters") << QVariant(QStringLiteral("line\nnext\ttab\r\x01\x7f"));
    QTest::newRow("nul then hex digit") << QVariant(QString(QChar(0)) + QStringLiteral("af"));
    QTest::newRow("begins with at") << QVariant(QStringLiteral("@Invalid()"));
    QTest::newRow("begins with two at") << QVariant(QStringLiteral("@@x"));
    QTest::newRow("non-ASCII") << QVariant(QStringLiteral("Projekte/\u00dcbung \u9879\u76ee"));
    QTest::newRow("command line") << QVariant(QStringLiteral("\"/opt/my browser/b\" -remote openURL(%1)"));
    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.append(char(i));
    QTest::newRow("every byte") << QVariant(allBytes);
    QTest::newRow("empty bytes") << QVariant(QByteArray());
    QTest::newRow("empty list") << QVariant(QStringList());
    QTest::newRow("list of one empty") << QVariant(QStringList{QString()});
    QTest::newRow("list of one") << QVariant(QStringList{QStringLiteral("/p/a.prj")});
    QTest::newRow("list") << QVariant(QStringList{QStringLiteral("a"), QStringLiteral("b, c"), QStringLiteral("@d"),
                                                  QStringLiteral(" e ")});
    QTest::newRow("variant map") << QVariant(QVariantMap{{QStringLiteral("a"), 1}, {QStringLiteral("b"), QStringLiteral("x")}});
    QTest::newRow("variant list") << QVariant(QVariantList{1, QStringLiteral("a")});
    QTest::newRow("variant list of one") << QVariant(QVariantList{7});
    QTest::newRow("rect") << QVariant(QRect(1, -2, 30, 40));
    QTest::newRow("size") << QVariant(QSize(640, 480));
    QTest::newRow("point") << QVariant(QPoint(-5, 9));
    QTest::newRow("date") << QVariant(QDate(2026, 12, 7));
    QTest::newRow("date time") << QVariant(QDateTime(QDate(2026, 12, 7), QTime(8, 47, 1), Qt::UTC));
    QTest::newRow("invalid") << QVariant();
}

void TestIniFile::valuesMatchQSettings()
{
    QFETCH(QVariant, value);
    KelTest::ScopedConfigHome home;
    const QString key = QStringLiteral("Value");
    const QVariant reference = qtRoundTrip(home.path(), key, value);

    {
        Gui::Wisp::Settings store(kScope, true, true, true);
        store.setValue(key, value);
    }
    // Ours written, QSettings reading; ours reading ours.
    QCOMPARE(freshQtReader(storeFile(home))->value(key), reference);
    {
        Gui::Wisp::Settings store(kScope, true, true, true);
        QCOMPARE(store.getValue(key, QVariant()), reference);
    }

    // QSettings written, ours reading.
    KelTest::ScopedConfigHome other;
    qtSettings(storeFile(other))->setValue(key, value);
    Gui::Wisp::Settings store(kScope, true, true, true);
    QCOMPARE(store.getValue(key, QVariant()), reference);
}

void TestIniFile::keysMatchQSettings_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("plain") << QStringLiteral("RecentFiles");
    QTest::newRow("blank") << QStringLiteral("WidgetStatemain splitter");
    QTest::newRow("trailing blank") << QStringLiteral("WidgetStatex ");
    QTest::newRow("group") << QStringLiteral("WidgetStatea/b");
    QTest::newRow("two groups") << QStringLiteral("a/b/c");
    QTest::newRow("backslash") << QStringLiteral("WidgetStatea\\b");
    QTest::newRow("equals") << QStringLiteral("k=v");
    QTest::newRow("semicolon") << QStringLiteral("k;v");
    QTest::newRow("brackets") << QStringLiteral("[k]");
    QTest::newRow("percent") << QStringLiteral("100%");
    QTest::newRow("non-ASCII") << QStringLiteral("WidgetState\u00dcbung\u9879");
    QTest::newRow("general") << QStringLiteral("General/x");
}

void TestIniFile::keysMatchQSettings()
{
    QFETCH(QString, key);
    const QVariant value(QStringLiteral("v"));
    KelTest::ScopedConfigHome home;
    const QString reference = home.path() + QStringLiteral("/reference.ini");
    qtSettings(reference)->setValue(key, value);
    const QStringList referenceKeys = freshQtReader(reference)->allKeys();
    QCOMPARE(referenceKeys.size(), 1);

    {
        Gui::Wisp::Settings store(kScope, true, true, true);
        store.setValue(key, value);
    }
    const auto reader = freshQtReader(storeFile(home));
    QCOMPARE(reader->allKeys(), referenceKeys);
    QCOMPARE(reader->value(referenceKeys.first()), value);

    // A file QSettings wrote names the same key for us.
    KelTest::ScopedConfigHome other;
    QDir().mkpath(QFileInfo(storeFile(other)).absolutePath());
    QFile::copy(reference, storeFile(other));
    Gui::Wisp::Settings store(kScope, true, true, true);
    QCOMPARE(store.allKeys(), referenceKeys);
    QCOMPARE(store.getValue(referenceKeys.first(), QVariant()), value);
}

void TestIniFile::sectionNamedGeneralKeepsItsCase()
{
    // QSettings itself would write "[%General]" and read the key back as "General/y".
    KelTest::ScopedConfigHome home;
    const QString key = QStringLiteral("general/y");
    {
        Gui::Wisp::Settings store(kScope, true, true, true);
        store.setValue(key, 1);
    }
    QCOMPARE(freshQtReader(storeFile(home))->allKeys(), QStringList{key});
    Gui::Wisp::Settings store(kScope, true, true, true);
    QCOMPARE(store.allKeys(), QStringList{key});
}

void TestIniFile::charactersBeyondTheBasicPlaneSurvive()
{
    // Qt 5's own writer loses them; what we write, both Qt versions read.
    KelTest::ScopedConfigHome home;
    const QString text = QStringLiteral("\U0001F600 \U00010348 x");
    {
        Gui::Wisp::Settings store(kScope, true, true, true);
        store.setValue(QStringLiteral("Emoji"), text);
    }
    QCOMPARE(freshQtReader(storeFile(home))->value(QStringLiteral("Emoji")).toString(), text);
    Gui::Wisp::Settings store(kScope, true, true, true);
    QCOMPARE(store.getValue(QStringLiteral("Emoji"), QVariant()).toString(), text);
}

void TestIniFile::keepsOtherWritersKeysAndOrder()
{
    KelTest::ScopedConfigHome home;
    writeFile(storeFile(home), "; written by hand\n[General]\nB=2\nA=1\n\n[Tools]\nx=\"a, b\"\n");
    {
        Gui::Wisp::Settings store(kScope, true, true, true);
        store.setValue(QStringLiteral("C"), 3);
        store.setValue(QStringLiteral("A"), 10);
    }
    QFile file(storeFile(home));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[General]\nB=2\nA=10\nC=3\n\n[Tools]\nx=\"a, b\"\n"));
}

void TestIniFile::damagedFilesReadWhatSurvives_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("survivor");  // key that must still read "ok", or empty
    QTest::newRow("truncated section") << QByteArray("[Gener") << QString();
    QTest::newRow("unclosed bracket") << QByteArray("[General\nA=ok\n") << QString();
    QTest::newRow("missing equals") << QByteArray("[General]\nnoequals\nA=ok\n") << QStringLiteral("A");
    QTest::newRow("NUL filled") << QByteArray(4096, '\0') << QString();
    QTest::newRow("NUL inside") << QByteArray("[General]\nA=ok\n\0\0\0B=1\n", 20) << QStringLiteral("A");
    QTest::newRow("unterminated quote") << QByteArray("[General]\nA=ok\nB=\"never closed\n") << QStringLiteral("A");
    QTest::newRow("lone escape at end") << QByteArray("[General]\nA=ok\nB=\\") << QStringLiteral("A");
    QTest::newRow("huge list count") << QByteArray("[General]\nA=ok\nB=@Variant(\\0\\0\\0\\v\\xff\\xff\\xff\\xff)\n")
                                     << QStringLiteral("A");
    QTest::newRow("huge map count") << QByteArray("[General]\nA=ok\nB=@Variant(\\0\\0\\0\\b\\x7f\\xff\\xff\\xff)\n")
                                    << QStringLiteral("A");
    QTest::newRow("truncated variant") << QByteArray("[General]\nA=ok\nB=@Variant(\\0\\0\\0\\n\\0\\0\\0\\x10)\n")
                                       << QStringLiteral("A");
    QTest::newRow("unknown variant type") << QByteArray("[General]\nA=ok\nB=@Variant(\\0\\0\\0\\x41\\0\\0)\n")
                                          << QStringLiteral("A");
}

void TestIniFile::damagedFilesReadWhatSurvives()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, survivor);
    KelTest::ScopedConfigHome home;
    writeFile(storeFile(home), content);
    KelTest::MessageRecorder messages;
    Gui::Wisp::Settings store(kScope, true, true, true);
    for (const QString &key : store.allKeys())
        store.getValue(key, QVariant());
    QCOMPARE(store.getValue(QStringLiteral("B"), QStringLiteral("default")).isValid(), true);
    if (!survivor.isEmpty())
        QCOMPARE(store.getValue(survivor, QVariant()).toString(), QStringLiteral("ok"));
}

void TestIniFile::randomBytesNeverCrash()
{
    KelTest::ScopedConfigHome home;
    KelTest::MessageRecorder messages;
    QRandomGenerator random(20261207);
    const QByteArray alphabet("[]=;,\"\\@%()\n\r\t aAxU0123456789Variant ByteArray");
    for (int round = 0; round < 300; ++round) {
        QByteArray content;
        const int size = int(random.bounded(400));
        for (int i = 0; i < size; ++i)
            content.append(random.bounded(4) == 0 ? char(random.bounded(256))
                                                  : alphabet.at(int(random.bounded(alphabet.size()))));
        writeFile(storeFile(home), content);
        Gui::Wisp::Settings store(kScope, true, true, true);
        for (const QString &key : store.allKeys())
            store.getValue(key, QVariant());
    }
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
