// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of Kel::Utility's conversions between QString and Port::StringBase.
#include "StoreTestUtil.h"

#include <Kel_Utility.h>

#include <QtCore/QCoreApplication>
#include <QtTest/QtTest>

using namespace Kel::Utility;
using Port::StringBase;

class TestConversions : public QObject
{
    Q_OBJECT

private slots:
    void qstringToPort_data();
    void qstringToPort();
    void portToQString_data();
    void portToQString();
    void utf8RoundTrip_data();
    void utf8RoundTrip();
    void constCharPtrSharesBuffer();
};

void TestConversions::qstringToPort_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("null QString") << QString() << QByteArray();
    QTest::newRow("empty QString") << QString(QLatin1String("")) << QByteArray();
    QTest::newRow("ASCII") << QStringLiteral("Hello, World ~!") << QByteArray("Hello, World ~!");
    QTest::newRow("NUL in the middle") << QString::fromLatin1("before\0after", 12) << QByteArray("before");
    QTest::newRow("NUL first") << QString::fromLatin1("\0after", 6) << QByteArray();
    QTest::newRow("German") << QString::fromUtf8("Projekte/Übung") << QByteArray("Projekte/\xC3\x9C" "bung");
    QTest::newRow("Chinese") << QString::fromUtf8("项目") << QByteArray("\xE9\xA1\xB9\xE7\x9B\xAE");
    QTest::newRow("emoji") << QString::fromUtf8("😀") << QByteArray("\xF0\x9F\x98\x80");
    QString all;
    for (ushort c = 1; c < 128; ++c)
        all.append(QChar(c));
    QTest::newRow("all ASCII") << all << all.toLatin1();
}

void TestConversions::qstringToPort()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    const StringBase s = QStringToPortString(text);
    QCOMPARE(StoreTest::bytes(s), expected);
    QCOMPARE(s.Length(), std::uint32_t(expected.size()));
    QCOMPARE(s.c_str()[s.Length()], '\0');
}

void TestConversions::portToQString_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ASCII") << QByteArray("plain text 123") << QStringLiteral("plain text 123");
    QTest::newRow("UTF-8") << QByteArray("Projekte/\xC3\x9C" "bung") << QString::fromUtf8("Projekte/Übung");
    // A QString cannot hold a byte that is not UTF-8: it comes back as EF BF BD.
    QTest::newRow("not UTF-8") << QByteArray("caf\xE9.pdf") << QString::fromUtf8("caf\xEF\xBF\xBD.pdf");
    // A character cut off at the end is not lost without a trace.
    QTest::newRow("cut at the end") << QByteArray("caf\xC3") << QString::fromUtf8("caf\xEF\xBF\xBD");
    QTest::newRow("emoji cut at the end") << QByteArray("a\xF0\x9F\x98")
                                          << QString::fromUtf8("a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    QTest::newRow("leading U+FEFF, twice") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx")
                                            << QStringLiteral("\uFEFF\uFEFFx");
}

void TestConversions::portToQString()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const QString q = PortStringToQString(StringBase(bytes.constData()));
    QCOMPARE(q, expected);
    QVERIFY(!q.isNull() || expected.isEmpty());
    QVERIFY(PortStringToQString(StringBase()).isEmpty());
}

void TestConversions::utf8RoundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ASCII") << QByteArray("C:/Program Files/Viewer/viewer.exe --x \"%1\"");
    QTest::newRow("German") << QByteArray("Projekte/\xC3\x9C" "bung");
    QTest::newRow("Chinese") << QByteArray("\xE9\xA1\xB9\xE7\x9B\xAE");
    QTest::newRow("emoji") << QByteArray("\xF0\x9F\x98\x80 and \xF0\x9F\x8E\x89");
    QTest::newRow("mixed") << QByteArray("/home/\xC3\xA9l\xC3\xA8ve/\xE9\xA1\xB9\xE7\x9B\xAE/\xF0\x9F\x98\x80.prj");
    QTest::newRow("long") << QByteArray(100000, 'x') + QByteArray("\xC3\x9C");
}

void TestConversions::utf8RoundTrip()
{
    QFETCH(QByteArray, bytes);
    const StringBase original(bytes.constData());
    const QString q = PortStringToQString(original);
    QCOMPARE(q, QString::fromUtf8(bytes));
    const StringBase back = QStringToPortString(q);
    QCOMPARE(StoreTest::bytes(back), bytes);
    QVERIFY(back == original);
}

void TestConversions::constCharPtrSharesBuffer()
{
    StringBase s("first text");
    const char *p = PortStringToConstCharPtr(s);
    QCOMPARE(p, s.c_str());
    QCOMPARE(QByteArray(p), QByteArray("first text"));

    // A change that fits the buffer is read through the same pointer.
    s = "other";
    QCOMPARE(PortStringToConstCharPtr(s), s.c_str());
    if (s.c_str() == p)
        QCOMPARE(QByteArray(p), QByteArray("other"));
    QCOMPARE(QByteArray(PortStringToConstCharPtr(s)), QByteArray("other"));

    // A change in place (trimming the end) is seen through the pointer taken before.
    StringBase padded("  padded  ");
    const char *q = PortStringToConstCharPtr(padded);
    padded.Trim(" ", Port::TrimTrailing);
    QCOMPARE(PortStringToConstCharPtr(padded), padded.c_str());
    if (padded.c_str() == q)
        QCOMPARE(QByteArray(q), QByteArray("  padded"));

    const StringBase empty;
    QVERIFY(PortStringToConstCharPtr(empty) != nullptr);
    QCOMPARE(PortStringToConstCharPtr(empty), empty.c_str());
    QCOMPARE(*PortStringToConstCharPtr(empty), '\0');
}

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
