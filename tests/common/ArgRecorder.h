// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Reading back what kel_argrecorder wrote: the arguments a stand-in program really received.
#pragma once

#include "KelTestSupport.h"

#include <QtCore/QByteArray>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QList>
#include <QtCore/QThread>

namespace KelTest {

// Detached programs record on their own schedule; this bounds the wait.
// The variable naming the file that kel_argrecorder appends its arguments to.
constexpr char ArgRecorderOutVariable[] = "KEL_ARGRECORDER_OUT";
// The variable naming another variable whose "NAME=value" kel_argrecorder records after the arguments.
constexpr char ArgRecorderEnvVariable[] = "KEL_ARGRECORDER_ENV";
constexpr int ArgRecordWaitMs = 5000;
constexpr int ArgRecordPollMs = 20;

inline QString argRecorderPath()
{
#if defined(Q_OS_WIN)
    return binDir() + QLatin1String("/kel_argrecorder.exe");
#else
    return binDir() + QLatin1String("/kel_argrecorder");
#endif
}

// The bytes kel_argrecorder records for an argument: on Windows the UTF-8 of
// its UTF-16 command line, elsewhere the bytes of argv, in the file-name encoding.
inline QByteArray recordedBytes(const QString &argument)
{
#if defined(Q_OS_WIN)
    return argument.toUtf8();
#else
    return QFile::encodeName(argument);
#endif
}

// The complete records of file, in order; a record still being written, or
// anything after a malformed one, is left out.
inline QList<QByteArray> readArgRecords(const QString &path)
{
    QFile file(path);
    QList<QByteArray> records;
    if (!file.open(QIODevice::ReadOnly))
        return records;
    const QByteArray data = file.readAll();
    int pos = 0;
    while (pos < data.size()) {
        const int colon = data.indexOf(':', pos);
        if (colon <= pos)
            break;
        bool ok = false;
        const int length = data.mid(pos, colon - pos).toInt(&ok);
        const int end = colon + 1 + length;
        if (!ok || length < 0 || end >= data.size() || data.at(end) != '\n')
            break;
        records << data.mid(colon + 1, length);
        pos = end + 1;
    }
    return records;
}

// Polls until path holds at least count records or timeoutMs passes, and
// returns what it holds then.
inline QList<QByteArray> waitForArgRecords(const QString &path, int count, int timeoutMs = ArgRecordWaitMs)
{
    QElapsedTimer timer;
    timer.start();
    QList<QByteArray> records = readArgRecords(path);
    while (records.size() < count && timer.elapsed() < timeoutMs) {
        QThread::msleep(ArgRecordPollMs);
        records = readArgRecords(path);
    }
    return records;
}

} // namespace KelTest
