// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of the Windows command-line quoting against the Microsoft C runtime's documented parsing rules.
#include "WindowsCommandLine.h"

#include <QtTest/QtTest>

using Port::detail::quotedWindowsArgument;
using Port::detail::windowsCommandLine;

class TestWindowsCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void argumentQuoting_data();
    void argumentQuoting();
    void wholeCommandLine();
};

void TestWindowsCommandLine::argumentQuoting_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("quoted");

    // What the program's argv must hold, and what the command line holds for it.
    QTest::newRow("plain") << QStringLiteral("abc") << QStringLiteral("abc");
    QTest::newRow("empty") << QString() << QStringLiteral("\"\"");
    QTest::newRow("blank") << QStringLiteral("a b") << QStringLiteral("\"a b\"");
    QTest::newRow("tab") << QStringLiteral("a\tb") << QStringLiteral("\"a\tb\"");
    QTest::newRow("line break") << QStringLiteral("a\nb") << QStringLiteral("\"a\nb\"");
    QTest::newRow("quote") << QStringLiteral("a\"b") << QStringLiteral("\"a\\\"b\"");
    QTest::newRow("quote alone") << QStringLiteral("\"") << QStringLiteral("\"\\\"\"");
    QTest::newRow("backslash before quote") << QStringLiteral("a\\\"b") << QStringLiteral("\"a\\\\\\\"b\"");
    QTest::newRow("backslashes elsewhere stay") << QStringLiteral("a\\\\b\\c") << QStringLiteral("a\\\\b\\c");
    QTest::newRow("backslashes inside quotes stay") << QStringLiteral("a\\\\b c") << QStringLiteral("\"a\\\\b c\"");
    QTest::newRow("trailing backslash, blank")
        << QStringLiteral("C:\\Program Files\\") << QStringLiteral("\"C:\\Program Files\\\\\"");
    QTest::newRow("trailing backslashes, blank") << QStringLiteral("a b\\\\") << QStringLiteral("\"a b\\\\\\\\\"");
    QTest::newRow("trailing backslash, no blank") << QStringLiteral("C:\\dir\\") << QStringLiteral("C:\\dir\\");
    QTest::newRow("URL with query") << QStringLiteral("http://host/a?b=c&d=%1") << QStringLiteral("http://host/a?b=c&d=%1");
}

void TestWindowsCommandLine::argumentQuoting()
{
    QFETCH(QString, argument);
    QFETCH(QString, quoted);
    QCOMPARE(quotedWindowsArgument(argument), quoted);
}

// The program name is read up to its closing quote, without escapes.
void TestWindowsCommandLine::wholeCommandLine()
{
    QCOMPARE(windowsCommandLine(QStringLiteral("C:\\Program Files\\v.exe"),
                                {QStringLiteral("a b"), QString(), QStringLiteral("x\"y")}),
             QStringLiteral("\"C:\\Program Files\\v.exe\" \"a b\" \"\" \"x\\\"y\""));
    QCOMPARE(windowsCommandLine(QStringLiteral("C:\\v.exe"), {}), QStringLiteral("\"C:\\v.exe\""));
}

QTEST_GUILESS_MAIN(TestWindowsCommandLine)
#include "tst_windowscommandline.moc"
