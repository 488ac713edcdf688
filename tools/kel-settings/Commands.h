// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The commands of kel-settings: what one invocation asks for, the exit codes, and each command's runner.
#pragma once

#include <QtCore/QStringList>

namespace KelSettings {

// 0 done; 1 not done, or not all of it: a warning on stderr says why;
// 2 the command line was wrong and nothing was changed.
constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// The tool's name: the application name and the prefix of every stderr line.
constexpr char ToolName[] = "kel-settings";

// The first argument of recent, and of which.
constexpr const char *RecentActions[] = {"add", "remove", "clear"};
constexpr const char *ViewerNames[] = {"pdf", "browser"};

struct Invocation
{
    QStringList arguments;  // the command's own arguments, after its name
    bool json = false;      // --json
    bool confirmed = false; // --yes
    bool all = false;       // --all
    bool force = false;     // --force
};

int runList(const Invocation &invocation);
int runGet(const Invocation &invocation);
int runSet(const Invocation &invocation);
int runReset(const Invocation &invocation);
int runRecent(const Invocation &invocation);
int runPrevious(const Invocation &invocation);
int runWhich(const Invocation &invocation);
int runOpenPdf(const Invocation &invocation);
int runOpenUrl(const Invocation &invocation);
int runProductPage(const Invocation &invocation);
int runHelpTopic(const Invocation &invocation);

} // namespace KelSettings
