// This process's children and threads as /proc lists them (Linux), for tests and benchmarks that must leave none behind.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QList>

#include <unistd.h>

namespace KelTest {

struct ChildProcess
{
    qint64 pid = 0;
    char state = '?'; // 'Z' for one that ended and was not reaped yet
};

inline QList<ChildProcess> childProcesses()
{
    QList<ChildProcess> children;
    const QByteArray self = QByteArray::number(qint64(::getpid()));
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QLatin1String("/proc/") + pid + QLatin1String("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks, so start after ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1) == self && !fields.at(0).isEmpty())
            children.append(ChildProcess{pid.toLongLong(), fields.at(0).at(0)});
    }
    return children;
}

inline int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

} // namespace KelTest
