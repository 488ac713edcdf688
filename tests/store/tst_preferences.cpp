// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of the scalar preferences of Kel::UserSettings: defaults, round trips, other processes, the file.
#include "StoreTestUtil.h"

#include <Kel_UserSettings.h>

#include <QtCore/QCoreApplication>
#include <QtTest/QtTest>

#include <cstdio>
#include <memory>

using Kel::UserSettings;
using Port::StringBase;

namespace {

// Every getter of a scalar preference, by name; the text is what the child prints.
const QStringList kGetterNames = {
    QStringLiteral("UseDefaultPDFViewer"), QStringLiteral("UseDefaultWebBrowser"),
    QStringLiteral("OpenPreviousProject"), QStringLiteral("OverwriteOutputFiles"),
    QStringLiteral("DisplayReadmeFile"),   QStringLiteral("JavaMemorySize"),
    QStringLiteral("RecentProjectCount"),
};

QString getterText(const QString &name)
{
    auto flag = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
    if (name == QLatin1String("UseDefaultPDFViewer"))
        return flag(UserSettings::GetUseDefaultPDFViewer());
    if (name == QLatin1String("UseDefaultWebBrowser"))
        return flag(UserSettings::GetUseDefaultWebBrowser());
    if (name == QLatin1String("OpenPreviousProject"))
        return flag(UserSettings::GetOpenPreviousProject());
    if (name == QLatin1String("OverwriteOutputFiles"))
        return flag(UserSettings::GetOverwriteOutputFiles());
    if (name == QLatin1String("DisplayReadmeFile"))
        return flag(UserSettings::GetDisplayReadmeFile());
    if (name == QLatin1String("JavaMemorySize"))
        return QString::number(UserSettings::GetJavaMemorySize());
    if (name == QLatin1String("RecentProjectCount"))
        return QString::number(UserSettings::GetRecentProjectCount());
    return QStringLiteral("?");
}

// Calls the setter of name with value (a bool or an unsigned number as text).
unsigned int callSetter(const QString &name, const QString &value)
{
    const bool b = value == QLatin1String("true");
    const unsigned int n = value.toUInt();
    if (name == QLatin1String("UseDefaultPDFViewer"))
        return UserSettings::SetUseDefaultPDFViewer(b);
    if (name == QLatin1String("UseDefaultWebBrowser"))
        return UserSettings::SetUseDefaultWebBrowser(b);
    if (name == QLatin1String("OpenPreviousProject"))
        return UserSettings::SetOpenPreviousProject(b);
    if (name == QLatin1String("OverwriteOutputFiles"))
        return UserSettings::SetOverwriteOutputFiles(b);
    if (name == QLatin1String("DisplayReadmeFile"))
        return UserSettings::SetDisplayReadmeFile(b);
    if (name == QLatin1String("JavaMemorySize"))
        return UserSettings::SetJavaMemorySize(n);
    if (name == QLatin1String("RecentProjectCount"))
        return UserSettings::SetRecentProjectCount(n);
    return 99;
}

// The child prints every getter as "name=value", and the viewer command lines.
int runChild(const QStringList &args)
{
    if (args.value(0) == QLatin1String("print")) {
        for (const QString &name : kGetterNames)
            std::printf("%s=%s\n", qPrintable(name), qPrintable(getterText(name)));
        return 0;
    }
    return 2;
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void defaultsOnEmptyStore_data();
    void defaultsOnEmptyStore();
    void setterRoundTrip_data();
    void setterRoundTrip();
    void javaMemorySizeTable_data();
    void javaMemorySizeTable();
    void recentProjectCountUnsigned_data();
    void recentProjectCountUnsigned();
    void viewerPathsStoredVerbatim_data();
    void viewerPathsStoredVerbatim();
    void settersLeaveOtherKeysAlone_data();
    void settersLeaveOtherKeysAlone();
    void noWarningsOnHealthyStore();

private:
    std::unique_ptr<KelTest::ScopedConfigHome> m_home;
};

void TestPreferences::init()
{
    m_home = std::make_unique<KelTest::ScopedConfigHome>();
}

void TestPreferences::cleanup()
{
    m_home.reset();
}

void TestPreferences::defaultsOnEmptyStore_data()
{
    QTest::addColumn<QString>("getter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("UseDefaultPDFViewer") << "UseDefaultPDFViewer" << "true";
    QTest::newRow("UseDefaultWebBrowser") << "UseDefaultWebBrowser" << "true";
    QTest::newRow("OpenPreviousProject") << "OpenPreviousProject" << "false";
    QTest::newRow("OverwriteOutputFiles") << "OverwriteOutputFiles" << "false";
    QTest::newRow("DisplayReadmeFile") << "DisplayReadmeFile" << "true";
    QTest::newRow("RecentProjectCount") << "RecentProjectCount" << "4";
    QTest::newRow("JavaMemorySize") << "JavaMemorySize" << "1024";
}

void TestPreferences::defaultsOnEmptyStore()
{
    QFETCH(QString, getter);
    QFETCH(QString, expected);
    QCOMPARE(getterText(getter), expected);
    // Reading never creates the file.
    QVERIFY(!QFileInfo::exists(m_home->storeFile()));
    // A second process on the same empty store sees the same default.
    const KelTest::ChildResult child = KelTest::runSelf({QStringLiteral("print")});
    QVERIFY2(child.finished && child.exitCode == 0, child.err.constData());
    QCOMPARE(StoreTest::parseLines(child.out).value(getter), expected);
}

void TestPreferences::setterRoundTrip_data()
{
    QTest::addColumn<QString>("pref");
    QTest::addColumn<QString>("value");     // what the setter gets
    QTest::addColumn<QString>("expected");  // what the getter gives
    const char *flags[] = {"UseDefaultPDFViewer", "UseDefaultWebBrowser", "OpenPreviousProject",
                           "OverwriteOutputFiles", "DisplayReadmeFile"};
    for (const char *f : flags) {
        for (const char *v : {"true", "false"})
            QTest::addRow("%s=%s", f, v) << f << v << v;
    }
    QTest::newRow("JavaMemorySize=3") << "JavaMemorySize" << "3" << "2048";
    QTest::newRow("RecentProjectCount=0") << "RecentProjectCount" << "0" << "0";
    QTest::newRow("RecentProjectCount=1") << "RecentProjectCount" << "1" << "1";
    QTest::newRow("RecentProjectCount=12") << "RecentProjectCount" << "12" << "12";
}

void TestPreferences::setterRoundTrip()
{
    QFETCH(QString, pref);
    QFETCH(QString, value);
    QFETCH(QString, expected);

    // First another value, then the one under test: the latest write wins.
    const QString other = value == QLatin1String("true") ? QStringLiteral("false")
                          : value == QLatin1String("false") ? QStringLiteral("true")
                                                            : QStringLiteral("4");
    QCOMPARE(callSetter(pref, other), 0u);
    QCOMPARE(callSetter(pref, value), 0u);
    QCOMPARE(getterText(pref), expected);
    QVERIFY(QFileInfo::exists(m_home->storeFile()));

    // A second process started now reads the same value.
    const KelTest::ChildResult child = KelTest::runSelf({QStringLiteral("print")});
    QVERIFY2(child.finished && child.exitCode == 0, child.err.constData());
    QCOMPARE(StoreTest::parseLines(child.out).value(pref), expected);
}

void TestPreferences::javaMemorySizeTable_data()
{
    QTest::addColumn<uint>("choice");
    QTest::addColumn<uint>("expected");
    QTest::addColumn<int>("stored");  // the int the file holds
    QTest::newRow("0") << 0u << 256u << 0;
    QTest::newRow("1") << 1u << 512u << 1;
    QTest::newRow("2") << 2u << 1024u << 2;
    QTest::newRow("3") << 3u << 2048u << 3;
    QTest::newRow("4") << 4u << 4096u << 4;
    QTest::newRow("5 (past the table)") << 5u << 5u << 5;
    QTest::newRow("1024 (a size, not a choice)") << 1024u << 1024u << 1024;
    QTest::newRow("2^31-1") << 0x7FFFFFFFu << 0x7FFFFFFFu << 0x7FFFFFFF;
    QTest::newRow("2^31") << 0x80000000u << 0x80000000u << int(-2147483647 - 1);
    QTest::newRow("0xFFFFFFFF") << 0xFFFFFFFFu << 0xFFFFFFFFu << -1;
}

void TestPreferences::javaMemorySizeTable()
{
    QFETCH(uint, choice);
    QFETCH(uint, expected);
    QFETCH(int, stored);

    QCOMPARE(UserSettings::SetJavaMemorySize(choice), 0u);
    QCOMPARE(UserSettings::GetJavaMemorySize(), expected);

    const StoreTest::DiskSnapshot disk(m_home->storeFile());
    QVERIFY(disk.exists());
    QCOMPARE(disk.value(QStringLiteral("JavaMemorySize")).toInt(), stored);

    const KelTest::ChildResult child = KelTest::runSelf({QStringLiteral("print")});
    QVERIFY2(child.finished && child.exitCode == 0, child.err.constData());
    QCOMPARE(StoreTest::parseLines(child.out).value(QStringLiteral("JavaMemorySize")), QString::number(expected));
}

void TestPreferences::recentProjectCountUnsigned_data()
{
    QTest::addColumn<uint>("count");
    QTest::addColumn<int>("stored");
    QTest::newRow("2^31-1") << 2147483647u << 2147483647;
    QTest::newRow("2^31") << 2147483648u << int(-2147483647 - 1);
    QTest::newRow("2^31+1") << 2147483649u << int(-2147483647);
    QTest::newRow("0xFFFFFFFE") << 0xFFFFFFFEu << -2;
    QTest::newRow("0xFFFFFFFF") << 0xFFFFFFFFu << -1;
}

void TestPreferences::recentProjectCountUnsigned()
{
    QFETCH(uint, count);
    QFETCH(int, stored);

    QCOMPARE(UserSettings::SetRecentProjectCount(count), 0u);
    QCOMPARE(UserSettings::GetRecentProjectCount(), count);

    // The file keeps the bits as a (negative) int.
    const StoreTest::DiskSnapshot disk(m_home->storeFile());
    QCOMPARE(disk.value(QStringLiteral("RecentProjectCount")).toInt(), stored);
    QVERIFY(StoreTest::readRaw(m_home->storeFile())
                .contains("RecentProjectCount=" + QByteArray::number(stored)));

    const KelTest::ChildResult child = KelTest::runSelf({QStringLiteral("print")});
    QVERIFY2(child.finished && child.exitCode == 0, child.err.constData());
    QCOMPARE(StoreTest::parseLines(child.out).value(QStringLiteral("RecentProjectCount")), QString::number(count));
}

void TestPreferences::viewerPathsStoredVerbatim_data()
{
    QTest::addColumn<bool>("pdf");
    QTest::addColumn<QByteArray>("command");  // UTF-8 bytes
    for (bool pdf : {true, false}) {
        const char *which = pdf ? "PDFViewer" : "WebBrowser";
        QTest::addRow("%s plain", which) << pdf << QByteArray("/usr/bin/viewer");
        QTest::addRow("%s with arguments", which) << pdf << QByteArray("/opt/v/bin/v --page 3 %1");
        QTest::addRow("%s quoted", which) << pdf << QByteArray("\"/opt/My Viewer/v\" -x");
        QTest::addRow("%s non-ASCII", which) << pdf << QByteArray("/opt/Übung/项目/v");
        QTest::addRow("%s empty", which) << pdf << QByteArray("");
        QTest::addRow("%s ini specials", which) << pdf << QByteArray("v;a=b,c #d [e] \\f @g");
    }
}

void TestPreferences::viewerPathsStoredVerbatim()
{
    QFETCH(bool, pdf);
    QFETCH(QByteArray, command);

    const StringBase value(command.constData());
    QCOMPARE(pdf ? UserSettings::SetPDFViewerPath(value) : UserSettings::SetWebBrowserPath(value), 0u);

    const QString key = pdf ? QStringLiteral("PDFViewer") : QStringLiteral("WebBrowser");
    const StoreTest::DiskSnapshot disk(m_home->storeFile());
    QVERIFY(disk.contains(key));
    QCOMPARE(disk.value(key).toString(), QString::fromUtf8(command));
    // The path setter does not touch the use-default flag.
    QVERIFY(!disk.contains(pdf ? QStringLiteral("UseDefaultPDFViewer") : QStringLiteral("UseDefaultWebBrowser")));
    QCOMPARE(pdf ? UserSettings::GetUseDefaultPDFViewer() : UserSettings::GetUseDefaultWebBrowser(), true);
}

void TestPreferences::settersLeaveOtherKeysAlone_data()
{
    QTest::addColumn<QString>("pref");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("key");       // the key the file holds it under
    QTest::addColumn<QVariant>("stored");   // as QSettings reads it back from the file
    QTest::newRow("OverwriteFiles") << "OverwriteOutputFiles" << "true" << "OverwriteFiles" << QVariant(true);
    QTest::newRow("DisplayReadme") << "DisplayReadmeFile" << "false" << "DisplayReadme" << QVariant(false);
    QTest::newRow("OpenPreviousProject") << "OpenPreviousProject" << "true" << "OpenPreviousProject"
                                         << QVariant(true);
    QTest::newRow("UseDefaultPDFViewer") << "UseDefaultPDFViewer" << "false" << "UseDefaultPDFViewer"
                                         << QVariant(false);
    QTest::newRow("UseDefaultWebBrowser") << "UseDefaultWebBrowser" << "false" << "UseDefaultWebBrowser"
                                          << QVariant(false);
    QTest::newRow("JavaMemorySize") << "JavaMemorySize" << "4" << "JavaMemorySize" << QVariant(4);
    QTest::newRow("RecentProjectCount") << "RecentProjectCount" << "9" << "RecentProjectCount" << QVariant(9);
}

void TestPreferences::settersLeaveOtherKeysAlone()
{
    QFETCH(QString, pref);
    QFETCH(QString, value);
    QFETCH(QString, key);
    QFETCH(QVariant, stored);

    // Every other preference holds a non-default value first.
    QCOMPARE(UserSettings::SetPDFViewerPath(StringBase("/bin/pdf")), 0u);
    QCOMPARE(UserSettings::SetWebBrowserPath(StringBase("/bin/web")), 0u);
    QMap<QString, QString> before;
    const QMap<QString, QString> nonDefault = {
        {QStringLiteral("UseDefaultPDFViewer"), QStringLiteral("false")},
        {QStringLiteral("UseDefaultWebBrowser"), QStringLiteral("false")},
        {QStringLiteral("OpenPreviousProject"), QStringLiteral("true")},
        {QStringLiteral("OverwriteOutputFiles"), QStringLiteral("true")},
        {QStringLiteral("DisplayReadmeFile"), QStringLiteral("false")},
        {QStringLiteral("JavaMemorySize"), QStringLiteral("0")},
        {QStringLiteral("RecentProjectCount"), QStringLiteral("2")},
    };
    for (auto it = nonDefault.begin(); it != nonDefault.end(); ++it) {
        if (it.key() != pref)
            QCOMPARE(callSetter(it.key(), it.value()), 0u);
    }
    for (const QString &name : kGetterNames)
        before.insert(name, getterText(name));

    QCOMPARE(callSetter(pref, value), 0u);

    for (const QString &name : kGetterNames) {
        if (name != pref)
            QCOMPARE(getterText(name), before.value(name));
    }
    const StoreTest::DiskSnapshot disk(m_home->storeFile());
    QCOMPARE(disk.value(key).toString(), stored.toString());
    QCOMPARE(disk.value(QStringLiteral("PDFViewer")).toString(), QStringLiteral("/bin/pdf"));
    QCOMPARE(disk.value(QStringLiteral("WebBrowser")).toString(), QStringLiteral("/bin/web"));

    // Clearing a viewer path stores "" and leaves the flag alone.
    QCOMPARE(UserSettings::SetPDFViewerPath(StringBase("")), 0u);
    const StoreTest::DiskSnapshot after(m_home->storeFile());
    QVERIFY(after.contains(QStringLiteral("PDFViewer")));
    QCOMPARE(after.value(QStringLiteral("PDFViewer")).toString(), QString());
    QCOMPARE(getterText(QStringLiteral("UseDefaultPDFViewer")),
             pref == QLatin1String("UseDefaultPDFViewer") ? value : QStringLiteral("false"));
}

void TestPreferences::noWarningsOnHealthyStore()
{
    KelTest::MessageRecorder recorder;
    for (const QString &name : kGetterNames)
        getterText(name);
    QCOMPARE(UserSettings::SetOverwriteOutputFiles(true), 0u);
    QCOMPARE(UserSettings::SetRecentProjectCount(7), 0u);
    QCOMPARE(UserSettings::GetRecentProjectCount(), 7u);
    QCOMPARE(recorder.lines(), QStringList());
}

int main(int argc, char **argv)
{
    return KelTest::testMainWithChild<TestPreferences>(argc, argv, runChild);
}

#include "tst_preferences.moc"
