// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of Kel::Utility::IsGuiCompatibleProcess: each case runs in a child with its own application object.
#include "StoreTestUtil.h"

#include <Kel_Utility.h>

#include <QtCore/QCoreApplication>
#include <QtGui/QGuiApplication>
#include <QtTest/QtTest>
#include <QtWidgets/QApplication>

#include <cstdio>
#include <memory>

namespace {

// Child role: "check KIND ORG APP" where KIND is widgets, gui, core or none.
// Prints "before=" (before any names are set) and "result=" as 0 or 1.
int runChild(int argc, char **argv, const QStringList &args)
{
    if (args.value(0) != QLatin1String("check"))
        return 2;
    const QString kind = args.value(1);
    std::unique_ptr<QCoreApplication> app;
    if (kind == QLatin1String("widgets"))
        app = std::make_unique<QApplication>(argc, argv);
    else if (kind == QLatin1String("gui"))
        app = std::make_unique<QGuiApplication>(argc, argv);
    else if (kind == QLatin1String("core"))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else if (kind != QLatin1String("none"))
        return 3;
    std::printf("before=%d\n", Kel::Utility::IsGuiCompatibleProcess() ? 1 : 0);
    QCoreApplication::setOrganizationName(args.value(2));
    QCoreApplication::setApplicationName(args.value(3));
    std::printf("result=%d\n", Kel::Utility::IsGuiCompatibleProcess() ? 1 : 0);
    std::fflush(stdout);
    return 0;
}

} // namespace

class TestGuiProcess : public QObject
{
    Q_OBJECT

private slots:
    void check_data();
    void check();
    void thisProcessWithoutNames();
};

void TestGuiProcess::check_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("organisation");
    QTest::addColumn<QString>("application");
    QTest::addColumn<bool>("expected");
    const QString widgets = QStringLiteral("widgets");
    QTest::newRow("full name") << widgets << "Dravel" << "Brantle 2.0 API" << true;
    QTest::newRow("short name") << widgets << "Dravel" << "_bq" << true;
    QTest::newRow("application lower case") << widgets << "Dravel" << "brantle 2.0 api" << false;
    QTest::newRow("short name upper case") << widgets << "Dravel" << "_BQ" << false;
    QTest::newRow("application trailing blank") << widgets << "Dravel" << "Brantle 2.0 API " << false;
    QTest::newRow("application leading blank") << widgets << "Dravel" << " Brantle 2.0 API" << false;
    QTest::newRow("short name suffix") << widgets << "Dravel" << "_bqx" << false;
    QTest::newRow("short name prefix") << widgets << "Dravel" << "x_bq" << false;
    QTest::newRow("application prefix only") << widgets << "Dravel" << "Brantle 2.0" << false;
    QTest::newRow("application suffix") << widgets << "Dravel" << "Brantle 2.0 API 2" << false;
    QTest::newRow("empty application") << widgets << "Dravel" << "" << false;
    QTest::newRow("organisation lower case") << widgets << "dravel" << "Brantle 2.0 API" << false;
    QTest::newRow("organisation suffix") << widgets << "Dravel Inc" << "Brantle 2.0 API" << false;
    QTest::newRow("organisation trailing blank") << widgets << "Dravel " << "_bq" << false;
    QTest::newRow("organisation empty") << widgets << "" << "_bq" << false;
    QTest::newRow("names swapped") << widgets << "Brantle 2.0 API" << "Dravel" << false;
    QTest::newRow("non-ASCII look-alike") << widgets << QString::fromUtf8("Drаvel") << "_bq" << false;  // Cyrillic а
    QTest::newRow("QGuiApplication only") << "gui" << "Dravel" << "Brantle 2.0 API" << false;
    QTest::newRow("QGuiApplication only, short name") << "gui" << "Dravel" << "_bq" << false;
    QTest::newRow("QCoreApplication only") << "core" << "Dravel" << "Brantle 2.0 API" << false;
    QTest::newRow("no application object") << "none" << "Dravel" << "Brantle 2.0 API" << false;
}

void TestGuiProcess::check()
{
    QFETCH(QString, kind);
    QFETCH(QString, organisation);
    QFETCH(QString, application);
    QFETCH(bool, expected);
    const KelTest::ChildResult r =
        KelTest::runSelf({QStringLiteral("check"), kind, organisation, application},
                         {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}});
    QVERIFY2(r.finished && r.exitCode == 0, r.err.constData());
    const auto lines = StoreTest::parseLines(r.out);
    QCOMPARE(lines.value(QStringLiteral("before")), QStringLiteral("0"));
    QCOMPARE(lines.value(QStringLiteral("result")), expected ? QStringLiteral("1") : QStringLiteral("0"));
}

void TestGuiProcess::thisProcessWithoutNames()
{
    // The test process is a QApplication named after its binary.
    QVERIFY(qobject_cast<QApplication *>(QCoreApplication::instance()));
    QVERIFY(!Kel::Utility::IsGuiCompatibleProcess());
}

int main(int argc, char **argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--child") == 0) {
        QStringList args;
        for (int i = 2; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        return runChild(argc, argv, args);
    }
    QApplication app(argc, argv);
    TestGuiProcess test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_guiprocess.moc"
