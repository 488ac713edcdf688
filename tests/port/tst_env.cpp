// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of Port_Env: unset, empty and set variables, and the platform override.
#include <Port/Env.h>

#include <QtTest/QtTest>

#if defined(Q_OS_WIN)
#  include <string>
#  include <windows.h>
#endif

namespace {
constexpr char kVariable[] = "KEL_PORT_TEST_VARIABLE";

#if defined(Q_OS_WIN)
constexpr bool kBuiltForNt = true;

// Through the system itself: the C runtime behind qputenv removes a variable
// set to "" and takes the value in the ANSI code page.
bool setVariable(const QByteArray &utf8)
{
    const std::wstring name = QString::fromLatin1(kVariable).toStdWString();
    return SetEnvironmentVariableW(name.c_str(), QString::fromUtf8(utf8).toStdWString().c_str());
}
#else
constexpr bool kBuiltForNt = false;

bool setVariable(const QByteArray &value)
{
    return qputenv(kVariable, value);
}
#endif
} // namespace

class TestEnv : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv(kVariable); }
    void getEnv_data();
    void getEnv();
    void missingName();
    void isNtNamesTheBuild();
};

void TestEnv::getEnv_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("unset") << false << QByteArray();
    // Set but empty is not the same as unset.
    QTest::newRow("empty") << true << QByteArray("");
    QTest::newRow("value") << true << QByteArray("a=b c;d");
    QTest::newRow("outside the ANSI code pages") << true
                                                << QByteArray("\xE9\xA1\xB9\xE7\x9B\xAE \xF0\x9F\x98\x80 e\xCC\x81");
}

void TestEnv::getEnv()
{
    QFETCH(bool, set);
    QFETCH(QByteArray, value);
    if (set)
        QVERIFY(setVariable(value));
    else
        qunsetenv(kVariable);

    const std::optional<Port::StringBase> got = Port_Env::GetEnv(kVariable);
    QCOMPARE(got.has_value(), set);
    if (got)
        QCOMPARE(QByteArray(got->c_str()), value);
}

void TestEnv::missingName()
{
    QVERIFY(!Port_Env::GetEnv(nullptr));
    QVERIFY(!Port_Env::GetEnv(""));
}

void TestEnv::isNtNamesTheBuild()
{
    QCOMPARE(Port_Env::IsNt(), kBuiltForNt);
}

QTEST_APPLESS_MAIN(TestEnv)
#include "tst_env.moc"
