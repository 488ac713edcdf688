// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Helpers shared by the test suites: a private store, captured warnings, child processes.
#pragma once

#include <Port/MsgManData.h>

#include <QtCore/QByteArray>
#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QProcess>
#include <QtCore/QProcessEnvironment>
#include <QtCore/QStringList>
#include <QtCore/QTemporaryDir>
#include <QtCore/QThread>
#include <QtCore/QVector>
#include <QtTest/QTest>

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace KelTest {

// Points XDG_CONFIG_HOME at a fresh temporary directory for its lifetime, so
// the store under test is a real file that no other test shares.
class ScopedConfigHome
{
public:
    ScopedConfigHome()
        : m_previous(qgetenv("XDG_CONFIG_HOME")), m_hadPrevious(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    }
    ~ScopedConfigHome()
    {
        if (m_hadPrevious)
            qputenv("XDG_CONFIG_HOME", m_previous);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    ScopedConfigHome(const ScopedConfigHome &) = delete;
    ScopedConfigHome &operator=(const ScopedConfigHome &) = delete;

    QString path() const { return m_dir.path(); }
    QString storeFile(const QString &scope = QStringLiteral("Molvane")) const
    {
        return m_dir.path() + QLatin1String("/Dravel/") + scope + QLatin1String(".ini");
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious;
};

// Collects every message of the message channel while it lives.
class MessageRecorder
{
public:
    MessageRecorder()
    {
        m_previous = Port_MsgManData::SetHandler([this](const Port_Message &m) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_messages.push_back(m);
            m_threads.push_back(QThread::currentThread());
        });
    }
    ~MessageRecorder() { Port_MsgManData::SetHandler(std::move(m_previous)); }
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    std::vector<Port_Message> messages() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }
    // "line:text" for each message, for compact comparisons in tables.
    QStringList lines() const
    {
        QStringList out;
        for (const Port_Message &m : messages())
            out << QString::number(m.line) + QLatin1Char(':') + QString::fromStdString(m.text);
        return out;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.clear();
        m_threads.clear();
    }
    // Whether every message so far arrived on thread.
    bool allArrivedOn(const QThread *thread) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::all_of(m_threads.cbegin(), m_threads.cend(), [thread](const QThread *t) { return t == thread; });
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Port_Message> m_messages;
    std::vector<const QThread *> m_threads;
    Port_MessageHandler m_previous;
};

struct ChildResult
{
    int exitCode = -1;
    bool finished = false;
    QByteArray out;
    QByteArray err;
};

// Runs program with args and extra environment (name=value; an empty value
// unsets nothing, use unset for that) and waits for it.
inline ChildResult runProgram(const QString &program, const QStringList &args,
                              const QList<QPair<QString, QString>> &env = {},
                              const QStringList &unset = {}, int timeoutMs = 60000)
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const auto &kv : env)
        e.insert(kv.first, kv.second);
    for (const QString &name : unset)
        e.remove(name);
    p.setProcessEnvironment(e);
    p.start(program, args);
    ChildResult r;
    if (!p.waitForStarted(timeoutMs))
        return r;
    r.finished = p.waitForFinished(timeoutMs);
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// Re-runs the current test binary as a child: the test's main looks for
// "--child" and runs the named role instead of the tests.
inline ChildResult runSelf(const QStringList &args, const QList<QPair<QString, QString>> &env = {},
                           const QStringList &unset = {})
{
    return runProgram(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child")} + args, env,
                      unset);
}

// Directory of the project's built programs (tests/helpers among them).
inline QString binDir()
{
    const QByteArray dir = qgetenv("KEL_TEST_BIN_DIR");
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : QFile::decodeName(dir);
}

// A test binary's main: "--child ROLE ARGS..." runs childRole with ROLE and
// ARGS in a QCoreApplication (the role a test started with runSelf), anything
// else runs the tests of TestObject.
template <typename TestObject>
int testMainWithChild(int argc, char **argv, int (*childRole)(const QStringList &))
{
    QCoreApplication app(argc, argv);
    // Qt's own list: on Windows argv holds the ANSI code page, which loses most names.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 2 && arguments.at(1) == QLatin1String("--child"))
        return childRole(arguments.mid(2));
    TestObject test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace KelTest
