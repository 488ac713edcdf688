// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Shared by the reliability battery: figures for the CI log, child roles, start barriers, process checks.
#pragma once

#include "KelTestSupport.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>
#include <QtCore/QStringList>
#include <QtCore/QThread>
#include <QtTest/QtTest>

#include <cstdio>

#if defined(Q_OS_UNIX)
#  include <csignal>
#  include <sys/types.h>
#  include <unistd.h>
#endif

namespace KelTest {

// A measured figure, on the test log as a QINFO line that CI picks out by its "FIGURE:".
inline void figure(const QString &text)
{
    const QByteArray line = QByteArrayLiteral("FIGURE: ") + text.toUtf8();
    qInfo("%s", line.constData());
}

// Children wait here until the parent has started all of them, so they really
// run at once instead of one after another.
inline bool waitForGo(const QString &goFile, int timeoutMs = 30000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!QFile::exists(goFile)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(1);
    }
    return true;
}

// The files QSettings writes before it renames them over a store
// ("Molvane.ini.XXXXXX"); a writer killed in the middle leaves one behind.
inline int temporaryFiles(const QString &storeFile)
{
    const QFileInfo store(storeFile);
    const QRegularExpression temporary(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(store.fileName()) + QLatin1String("\\.[A-Za-z0-9]{6}")));
    int count = 0;
    for (const QString &name : store.dir().entryList(QDir::Files | QDir::Hidden)) {
        if (temporary.match(name).hasMatch())
            ++count;
    }
    return count;
}

inline bool touchFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

#if defined(Q_OS_UNIX)
// Whether pid is a live process; a zombie waiting for a reaper that never
// comes (PID 1 of a container) has ended all the same.
inline bool isRunning(qint64 pid)
{
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0)
        return false;
    QFile stat(QLatin1String("/proc/") + QString::number(pid) + QLatin1String("/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const int afterName = line.lastIndexOf(')');
    return afterName < 0 || line.mid(afterName + 2, 1) != "Z";
}

// A killed process needs a moment to go; this bounds the moment.
inline bool endsWithin(qint64 pid, int ms)
{
    QDeadlineTimer deadline(ms);
    while (isRunning(pid)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
    return true;
}
#endif

} // namespace KelTest

// The test binary's main: "--child <role> args..." runs childMain (an int
// function of the role's QStringList), anything else runs the tests.
#define KEL_RELIABILITY_TEST_MAIN(TestClass, childMain)                                   \
    int main(int argc, char **argv)                                                        \
    {                                                                                      \
        QCoreApplication app(argc, argv);                                                  \
        const QStringList arguments = QCoreApplication::arguments();                       \
        if (arguments.size() > 1 && arguments.at(1) == QLatin1String("--child"))          \
            return childMain(arguments.mid(2));                                            \
        TestClass test;                                                                    \
        return QTest::qExec(&test, argc, argv);                                            \
    }
