// Tests of Port_Env: unset, empty and set variables, and the platform override.
#include <Port/Env.h>

#include <QtTest/QtTest>

namespace {
constexpr char kVariable[] = "KEL_PORT_TEST_VARIABLE";
}

class TestEnv : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv(kVariable); }
    void getEnv_data();
    void getEnv();
    void missingName();
    void isNtFollowsOverride();
};

void TestEnv::getEnv_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("unset") << false << QByteArray();
    // Set but empty is not the same as unset.
    QTest::newRow("empty") << true << QByteArray("");
    QTest::newRow("value") << true << QByteArray("a=b c;d");
}

void TestEnv::getEnv()
{
    QFETCH(bool, set);
    QFETCH(QByteArray, value);
    if (set)
        QVERIFY(qputenv(kVariable, value));
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

void TestEnv::isNtFollowsOverride()
{
    QCOMPARE(Port_Env::IsNt(), false);
    Port_Env::OverrideIsNt(true);
    QCOMPARE(Port_Env::IsNt(), true);
    Port_Env::OverrideIsNt(false);
    QCOMPARE(Port_Env::IsNt(), false);
    Port_Env::OverrideIsNt(true);
    Port_Env::OverrideIsNt(std::nullopt);
    QCOMPARE(Port_Env::IsNt(), false);
}

QTEST_APPLESS_MAIN(TestEnv)
#include "tst_env.moc"
