// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// DesktopHelpManager on freedesktop and macOS: finds the desktop opener and hands it to Port::Launcher.
#include "DesktopOpener.h"

#include <Port/CommandLine.h>
#include <Port/Launcher.h>
#include <Port/Process.h>

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <algorithm>

namespace Gui {
namespace Wisp {
namespace DesktopOpener {

namespace {

#if defined(Q_OS_MACOS)
constexpr char MacOpener[] = "/usr/bin/open";
#else
constexpr char OpenerName[] = "xdg-open";
#endif

// The opener as the launcher is given it: on freedesktop by name, so that
// the launcher looks for it again when the one it remembers is gone.
QString openerCommand()
{
#if defined(Q_OS_MACOS)
    return QFile::decodeName(MacOpener);
#else
    return QLatin1String(OpenerName);
#endif
}

// The one opener for files and links; empty when there is none.
QString openerPath()
{
#if defined(Q_OS_MACOS)
    return QFileInfo(QFile::decodeName(MacOpener)).isExecutable() ? QFile::decodeName(MacOpener) : QString();
#else
    // Only absolute PATH entries are searched, so an "xdg-open" planted in the
    // working directory is never the one that runs.
    return QFile::decodeName(Port::Process::FindProgram(OpenerName).c_str());
#endif
}

// The same for a launch, which the host makes on its GUI thread: the
// launcher remembers what it found while PATH stays the same.
QString openerPathForLaunch()
{
#if defined(Q_OS_MACOS)
    return openerPath();
#else
    return Port::Launcher::programPath(QLatin1String(OpenerName));
#endif
}

} // namespace

QString defaultCommand(Kind)
{
    const QString opener = openerPath();
    if (opener.isEmpty())
        return QString();
    const bool holdsBlank = std::any_of(opener.cbegin(), opener.cend(), [](QChar c) { return c.isSpace(); });
    const QString program = holdsBlank ? QLatin1Char('"') + opener + QLatin1Char('"') : opener;
    return program + QLatin1String(" %1");
}

StartOutcome start(Kind, const QString &target, const Port_MsgManData &channel)
{
    if (openerPathForLaunch().isEmpty())
        return StartOutcome::NoOpener;
    return Port::Launcher::start(Port::CommandLine(openerCommand(), QStringList{target}), channel, target)
               ? StartOutcome::Started
               : StartOutcome::Failed;
}

} // namespace DesktopOpener
} // namespace Wisp
} // namespace Gui
