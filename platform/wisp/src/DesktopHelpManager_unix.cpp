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
    const QString opener = openerPath();
    if (opener.isEmpty())
        return StartOutcome::NoOpener;
    return Port::Launcher::start(Port::CommandLine(opener, QStringList{target}), channel, target)
               ? StartOutcome::Started
               : StartOutcome::Failed;
}

} // namespace DesktopOpener
} // namespace Wisp
} // namespace Gui
