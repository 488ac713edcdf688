// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The browser-window probe "gqbrowserwindowexists", planted where a test wants it with the answer the test wants.
#pragma once

#include "KelTestSupport.h"

#include <QtCore/QByteArray>
#include <QtCore/QFile>
#include <QtCore/QString>

namespace KelTest {

constexpr char WindowProbeName[] = "gqbrowserwindowexists";
// The answer of a probe that never ends on its own.
constexpr char ProbeHangs[] = "hang";

// Plants the probe in folder: each run appends a line to marker, then ends
// with exitSetting (1: a browser window exists), or for ProbeHangs sleeps
// 30 s first and ends with 1. A shell script on UNIX-like systems; on Windows
// a copy of kel_windowprobe, which reads its orders from a file beside it.
inline bool plantWindowProbe(const QString &folder, const QString &marker, const QByteArray &exitSetting)
{
    const QString probe = folder + QLatin1Char('/') + QLatin1String(WindowProbeName);
#if defined(Q_OS_WIN)
    QFile orders(probe + QLatin1String(".txt"));
    const QByteArray text = marker.toUtf8() + '\n' + exitSetting + '\n';
    return QFile::copy(binDir() + QLatin1String("/kel_windowprobe.exe"), probe + QLatin1String(".exe"))
           && orders.open(QIODevice::WriteOnly) && orders.write(text) == text.size();
#else
    QByteArray script = "#!/bin/sh\necho ran >> '" + QFile::encodeName(marker) + "'\n";
    script += exitSetting == ProbeHangs ? QByteArray("sleep 30\nexit 1\n") : "exit " + exitSetting + '\n';
    QFile file(probe);
    return file.open(QIODevice::WriteOnly) && file.write(script) == script.size()
           && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
}

} // namespace KelTest
