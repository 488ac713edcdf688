// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// This process's children, threads and handles as the system lists them, for tests and benchmarks that must leave none behind.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QList>

#if defined(Q_OS_WIN)
#  include <windows.h>
#  include <tlhelp32.h>
#else
#  include <unistd.h>
#endif

namespace KelTest {

struct ChildProcess
{
    qint64 pid = 0;
    char state = '?'; // 'Z' for one that ended and was not reaped yet (Linux)
    QString program;  // the program's file name (Windows)
};

#if defined(Q_OS_WIN)
// Windows keeps no zombies: a program that ended is gone from the list, and
// what is left of it is the handle a parent holds (see handleCount).
inline QList<ChildProcess> childProcesses()
{
    QList<ChildProcess> children;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return children;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == GetCurrentProcessId())
            children.append(ChildProcess{qint64(entry.th32ProcessID), 'R', QString::fromWCharArray(entry.szExeFile)});
    }
    CloseHandle(snapshot);
    return children;
}

inline int threadCount()
{
    int threads = 0;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        threads += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    CloseHandle(snapshot);
    return threads;
}

// The system's list of every process's handles, for where GetProcessHandleCount
// answers 0 (wine): each handle of this process counted there.
inline int handlesInSystemList()
{
    struct Entry
    {
        void *object;
        ULONG_PTR process;
        ULONG_PTR handle;
        ULONG access;
        USHORT creatorBackTrace;
        USHORT objectType;
        ULONG attributes;
        ULONG reserved;
    };
    struct List
    {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    constexpr ULONG kExtendedHandleInformation = 64;
    constexpr LONG kBufferTooSmall = LONG(0xC0000004);
    using Query = LONG(WINAPI *)(ULONG, void *, ULONG, ULONG *);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    LONG status;
    while ((status = query(kExtendedHandleInformation, buffer.data(), ULONG(buffer.size()), nullptr)) == kBufferTooSmall)
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return -1;
    const auto *list = reinterpret_cast<const List *>(buffer.constData());
    int handles = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i)
        handles += list->entries[i].process == GetCurrentProcessId() ? 1 : 0;
    return handles;
}

// The handles this process holds: a started program's handle, and the wait
// on it, are let go of once it ended or its report window is over.
inline int handleCount()
{
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0)
        return int(handles);
    return handlesInSystemList();
}
#else

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
            children.append(ChildProcess{pid.toLongLong(), fields.at(0).at(0), QString()});
    }
    return children;
}

inline int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}
#endif

} // namespace KelTest
