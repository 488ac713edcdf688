// kel-settings recent and previous: the recent projects through the library, and adding one.
#include "CommandTable.h"
#include "Commands.h"
#include "Messages.h"
#include "Output.h"

#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QLatin1String>

namespace KelSettings {

namespace {

constexpr char AddWord[] = "add";

QStringList recentProjects()
{
    QStringList projects;
    for (const Port::StringBase &project : Kel::UserSettings::GetRecentProjects())
        projects << Kel::Utility::PortStringToQString(project);
    return projects;
}

int listRecentProjects(const Invocation &invocation)
{
    const QStringList projects = recentProjects();
    if (invocation.json)
        printJson(QJsonObject{{QStringLiteral("recentProjects"), QJsonArray::fromStringList(projects)}});
    else
        printLines(projects);
    return ExitOk;
}

// The application looks entries up from wherever it was started, so a name
// relative to this shell's folder is stored as the absolute path it means.
int addRecentProject(const QString &file)
{
    if (file.isEmpty()) {
        printError(QStringLiteral("recent add needs a file name"));
        return ExitUsage;
    }
    const QString absolute = QFileInfo(file).absoluteFilePath();
    const WarningWatch watch;
    return exitCodeOf(Kel::UserSettings::SetPreviousProjectName(Kel::Utility::QStringToPortString(absolute)), watch);
}

} // namespace

int runRecent(const Invocation &invocation)
{
    if (invocation.arguments.isEmpty())
        return listRecentProjects(invocation);
    if (invocation.arguments.size() == 2 && invocation.arguments.at(0) == QLatin1String(AddWord)) {
        if (invocation.json) {
            printError(QStringLiteral("--json works with recent, not with recent add"));
            return ExitUsage;
        }
        return addRecentProject(invocation.arguments.at(1));
    }
    printError(usageOf(*findCommand(QStringLiteral("recent"))));
    return ExitUsage;
}

int runPrevious(const Invocation &)
{
    const Port::StringBase previous = Kel::UserSettings::GetPreviousProjectName();
    if (!previous.IsEmpty())
        printLine(Kel::Utility::PortStringToQString(previous));
    return ExitOk;
}

} // namespace KelSettings
