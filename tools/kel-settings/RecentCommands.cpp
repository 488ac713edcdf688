// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-settings recent and previous: the recent projects through the library, and adding, removing and clearing them.
#include "CommandTable.h"
#include "Commands.h"
#include "Messages.h"
#include "Output.h"
#include "PreferenceStore.h"

#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QLatin1String>

namespace KelSettings {

namespace {

enum RecentAction { Add, Remove, Clear, List };

// The same file as the library's recent list tells it: the same text after
// cleaning the path, letter case ignored where file systems ignore it.
constexpr Qt::CaseSensitivity FileNameCase =
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    Qt::CaseInsensitive;
#else
    Qt::CaseSensitive;
#endif

int usageError(const QString &error)
{
    printError(error);
    return ExitUsage;
}

int listRecentProjects(const Invocation &invocation)
{
    QStringList projects;
    for (const Port::StringBase &project : Kel::UserSettings::GetRecentProjects())
        projects << Kel::Utility::PortStringToQString(project);
    if (invocation.json)
        printJson(QJsonObject{{QStringLiteral("recentProjects"), QJsonArray::fromStringList(projects)}});
    else
        printLines(projects);
    return ExitOk;
}

// The application looks entries up from wherever it was started, so a name
// relative to this shell's folder is stored as the absolute path it means.
// It shows only entries whose file exists, so a missing one is held back
// unless --force asks for it.
int addRecentProject(const QString &file, bool force)
{
    if (file.isEmpty())
        return usageError(QStringLiteral("recent add needs a file name"));
    const QString absolute = QFileInfo(file).absoluteFilePath();
    if (!force && !QFileInfo::exists(absolute)) {
        printWarning(absolute + QStringLiteral(" does not exist, and the application shows only recent projects "
                                               "that do; not recorded (add --force to record it anyway)"));
        return ExitFailed;
    }
    const WarningWatch watch;
    return exitCodeOf(watch, Kel::UserSettings::SetPreviousProjectName(Kel::Utility::QStringToPortString(absolute)));
}

bool sameFile(const QString &entry, const QString &path)
{
    const QString cleanEntry = QDir::cleanPath(entry);
    return cleanEntry.compare(QDir::cleanPath(path), FileNameCase) == 0
           || cleanEntry.compare(QDir::cleanPath(QFileInfo(path).absoluteFilePath()), FileNameCase) == 0;
}

// Writes the list back, or removes the key when it is empty; false when
// path named no entry. The store writes when it closes.
bool removeFromRecent(const QString &path)
{
    PreferenceStore store;
    store.lockForUpdate();
    const QStringList stored = store.getValue(RecentFilesKey, QVariant()).toStringList();
    QStringList kept;
    for (const QString &entry : stored) {
        if (!sameFile(entry, path))
            kept << entry;
    }
    if (kept.size() == stored.size())
        return false;
    if (kept.isEmpty())
        store.remove(RecentFilesKey);
    else
        store.setValue(RecentFilesKey, QVariant(kept));
    return true;
}

int removeRecentProject(const QString &path)
{
    const WarningWatch watch;
    if (!removeFromRecent(path)) {
        printWarning(path + QStringLiteral(" is not among the recent projects"));
        return ExitFailed;
    }
    return exitCodeOf(watch);
}

int clearRecentProjects()
{
    const WarningWatch watch;
    {
        PreferenceStore store;
        store.lockForUpdate();  // not between another recorder's read and write
        store.remove(RecentFilesKey);
    }  // written as it closes
    return exitCodeOf(watch);
}

// The action named by word, or -1.
int actionOf(const QString &word)
{
    for (int action = Add; action <= Clear; ++action) {
        if (word == QLatin1String(RecentActions[action]))
            return action;
    }
    return -1;
}

} // namespace

int runRecent(const Invocation &invocation)
{
    // The command line lets --json and --force through for recent; each
    // belongs to one form of it.
    const QStringList &args = invocation.arguments;
    const int action = args.isEmpty() ? List : actionOf(args.at(0));
    if (invocation.json && action != List)
        return usageError(QStringLiteral("--json works with recent alone"));
    if (invocation.force && action != Add)
        return usageError(QStringLiteral("--force works with recent add only"));
    const QString usage = usageOf(*findCommand(QStringLiteral("recent")));
    switch (action) {
    case Add:
        return args.size() == 2 ? addRecentProject(args.at(1), invocation.force) : usageError(usage);
    case Remove:
        return args.size() == 2 ? removeRecentProject(args.at(1)) : usageError(usage);
    case Clear:
        return args.size() == 1 ? clearRecentProjects() : usageError(usage);
    case List:
        return listRecentProjects(invocation);
    default:
        return usageError(usage);
    }
}

int runPrevious(const Invocation &)
{
    const Port::StringBase previous = Kel::UserSettings::GetPreviousProjectName();
    if (!previous.IsEmpty())
        printLine(Kel::Utility::PortStringToQString(previous));
    return ExitOk;
}

} // namespace KelSettings
