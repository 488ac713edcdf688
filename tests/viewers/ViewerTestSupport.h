// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Shared by the viewer and web page tests: both viewer kinds behind one switch, scoped environment, warning checks.
#pragma once

#include "KelTestSupport.h"

#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QMetaType>
#include <QtCore/QStringList>
#include <QtCore/QThread>
#include <QtTest/QtTest>

#include <optional>
#include <vector>

namespace KelTest {

// The PDF viewer and the web browser share every rule except keys and warnings.
enum class Viewer { Pdf, Web };

inline const char *viewerName(Viewer viewer)
{
    return viewer == Viewer::Pdf ? "pdf" : "web";
}

inline void setCommandLine(Viewer viewer, const QString &commandLine)
{
    const Port::StringBase line = Kel::Utility::QStringToPortString(commandLine);
    if (viewer == Viewer::Pdf)
        Kel::UserSettings::SetPDFViewerPath(line);
    else
        Kel::UserSettings::SetWebBrowserPath(line);
}

inline void setUseDefault(Viewer viewer, bool useDefault)
{
    if (viewer == Viewer::Pdf)
        Kel::UserSettings::SetUseDefaultPDFViewer(useDefault);
    else
        Kel::UserSettings::SetUseDefaultWebBrowser(useDefault);
}

// A user-defined program: the flag off and the command line stored.
inline void useUserDefined(Viewer viewer, const QString &commandLine)
{
    setUseDefault(viewer, false);
    setCommandLine(viewer, commandLine);
}

// What a viewer receives in place of "%1": a file with the platform's
// separators, a URL unchanged. An appended file keeps its own.
inline QString substituted(Viewer viewer, const QString &target)
{
    return viewer == Viewer::Pdf ? QDir::toNativeSeparators(target) : target;
}

inline unsigned int locate(Viewer viewer, Port::StringBase &path, std::vector<Port::StringBase> &args)
{
    return viewer == Viewer::Pdf ? Kel::UserSettings::GetPDFViewerPath(path, args)
                                 : Kel::UserSettings::GetWebBrowserPath(path, args);
}

inline unsigned int launch(Viewer viewer, const QString &target)
{
    const Port::StringBase portTarget = Kel::Utility::QStringToPortString(target);
    return viewer == Viewer::Pdf ? Kel::UserSettings::RunPDFViewer(portTarget)
                                 : Kel::UserSettings::RunWebBrowser(portTarget);
}

inline QStringList toStringList(const std::vector<Port::StringBase> &args)
{
    QStringList out;
    for (const Port::StringBase &arg : args)
        out << QString::fromUtf8(arg.c_str());
    return out;
}

inline std::vector<Port::StringBase> toPortList(const QStringList &args)
{
    std::vector<Port::StringBase> out;
    for (const QString &arg : args)
        out.emplace_back(arg.toUtf8().constData());
    return out;
}

inline QList<QByteArray> toByteArrays(const QStringList &args)
{
    QList<QByteArray> out;
    for (const QString &arg : args)
        out << arg.toUtf8();
    return out;
}

// Sets (or unsets, with std::nullopt) a variable of this process and puts the
// old state back on destruction.
class ScopedEnvironmentVariable
{
public:
    ScopedEnvironmentVariable(const char *name, const std::optional<QByteArray> &value)
        : m_name(name), m_previous(qgetenv(name)), m_hadPrevious(qEnvironmentVariableIsSet(name))
    {
        apply(value);
    }
    ~ScopedEnvironmentVariable() { apply(m_hadPrevious ? std::optional<QByteArray>(m_previous) : std::nullopt); }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable &) = delete;
    ScopedEnvironmentVariable &operator=(const ScopedEnvironmentVariable &) = delete;

private:
    void apply(const std::optional<QByteArray> &value) const
    {
        if (value)
            qputenv(m_name.constData(), *value);
        else
            qunsetenv(m_name.constData());
    }

    QByteArray m_name;
    QByteArray m_previous;
    bool m_hadPrevious;
};

// Every warning of the viewer operations names the same origin.
inline bool warningsFromUserSettings(const MessageRecorder &recorder)
{
    for (const Port_Message &m : recorder.messages()) {
        if (m.severity != Port_Message::Warning || m.domain != "kel" || m.file != "../s/Kel_UserSettings"
            || m.revision != "$Revision: 1.19 $")
            return false;
    }
    return true;
}

// How long a test waits before it trusts that a program was not started.
constexpr int NotStartedGraceMs = 300;

// True when path still does not exist after the grace time.
inline bool staysAbsent(const QString &path, int graceMs = NotStartedGraceMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < graceMs) {
        if (QFile::exists(path))
            return false;
        QThread::msleep(20);
    }
    return !QFile::exists(path);
}

} // namespace KelTest

Q_DECLARE_METATYPE(KelTest::Viewer)
