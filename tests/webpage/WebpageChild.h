// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Child-process side of the product page tests: opens a core's page under the child's own locale and reports back.
#pragma once

#include "KelTestSupport.h"
#include "RecordingHelpManager.h"

#include <Kel_ProductWebpage.h>
#include <Kel_Utility.h>

#include <QtCore/QByteArray>
#include <QtCore/QLocale>
#include <QtCore/QMap>
#include <QtCore/QMutex>
#include <QtCore/QStringList>

#include <cstdio>

namespace KelTest {

// Opens the page with a recording help manager in a private store.
constexpr char ViewRole[] = "view";
// Opens the page with whatever browser the inherited store names.
constexpr char ViewStoredBrowserRole[] = "view-stored";
constexpr char UtilityCategory[] = "utility";

// The "utility" info messages of this process, collected while a LogCapture lives.
class LogCapture
{
public:
    LogCapture() { m_previous = qInstallMessageHandler(&LogCapture::handle); }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    static QStringList messages()
    {
        QMutexLocker lock(&mutex());
        return store();
    }
    static void clear()
    {
        QMutexLocker lock(&mutex());
        store().clear();
    }

private:
    static QMutex &mutex()
    {
        static QMutex m;
        return m;
    }
    static QStringList &store()
    {
        static QStringList s;
        return s;
    }
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type != QtInfoMsg || !context.category || qstrcmp(context.category, UtilityCategory) != 0)
            return;
        QMutexLocker lock(&mutex());
        store() << message;
    }

    QtMessageHandler m_previous = nullptr;
};

// One line per fact, "key=<hex of UTF-8>", so any byte survives the pipe.
inline void reportLine(const char *key, const QString &value)
{
    const QByteArray line = QByteArray(key) + '=' + value.toUtf8().toHex() + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
}

inline QString territoryName(const QLocale &locale)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 2, 0)
    return QLocale::territoryToString(locale.territory());
#else
    return QLocale::countryToString(locale.country());
#endif
}

inline QString fullNameArgument(const QStringList &args)
{
    return QString::fromUtf8(QByteArray::fromHex(args.at(1).toLatin1()));
}

// Child role ViewStoredBrowserRole: the store (XDG_CONFIG_HOME) is the parent's.
inline int runViewStoredBrowserChild(const QStringList &args)
{
    Kel::ProductWebpage::View(Kel::Utility::QStringToPortString(fullNameArgument(args)));
    return 0;
}

// Child role ViewRole: a recording help manager stands for the host's browser.
inline int runViewWithManagerChild(const QStringList &args)
{
    const QString fullName = fullNameArgument(args);
    ScopedConfigHome home;
    LogCapture logs;
    RecordingHelpManager manager;
    int logsBeforeBrowser = -1;
    manager.onRun = [&logsBeforeBrowser] { logsBeforeBrowser = static_cast<int>(LogCapture::messages().size()); };
    manager.install();

    Kel::ProductWebpage::View(Kel::Utility::QStringToPortString(fullName));

    const QLocale system = QLocale::system();
    reportLine("localeName", system.name());
    reportLine("language", QLocale::languageToString(system.language()));
    reportLine("territory", territoryName(system));
    for (const QString &url : manager.urls)
        reportLine("url", url);
    for (const QString &message : LogCapture::messages())
        reportLine("log", message);
    reportLine("logsBeforeBrowser", QString::number(logsBeforeBrowser));
    std::fflush(stdout);
    return 0;
}

// args: the role, then the core's full name as hex of UTF-8.
inline int runViewChild(const QStringList &args)
{
    if (args.size() != 2)
        return 2;
    if (args.at(0) == QLatin1String(ViewRole))
        return runViewWithManagerChild(args);
    if (args.at(0) == QLatin1String(ViewStoredBrowserRole))
        return runViewStoredBrowserChild(args);
    return 2;
}

// The test binary's main: "--child <role> <hexName>" runs a child role, anything else the tests.
#define KEL_WEBPAGE_TEST_MAIN(TestClass)                                                   \
    int main(int argc, char **argv)                                                        \
    {                                                                                      \
        QCoreApplication app(argc, argv);                                                  \
        const QStringList arguments = QCoreApplication::arguments();                       \
        if (arguments.size() > 1 && arguments.at(1) == QLatin1String("--child"))          \
            return KelTest::runViewChild(arguments.mid(2));                                \
        TestClass test;                                                                    \
        return QTest::qExec(&test, argc, argv);                                            \
    }

// The parent's reading of a child report: every value of each key, in order.
inline QMap<QByteArray, QStringList> parseReport(const QByteArray &out)
{
    QMap<QByteArray, QStringList> report;
    for (const QByteArray &line : out.split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0)
            report[line.left(eq)] << QString::fromUtf8(QByteArray::fromHex(line.mid(eq + 1)));
    }
    return report;
}

inline QString hexArgument(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toHex());
}

} // namespace KelTest
