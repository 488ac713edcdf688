// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal operations of Kel::UserSettings, hidden from hosts and reachable by fuzzers.
#pragma once

#include <Kel_ViewerCommand.h>
#include <Port/StringBase.h>

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>
#include <vector>

namespace Kel {
namespace detail {

// Cuts a viewer command line into its program path (a quoted path keeps its
// quotes) and its blank-separated arguments, which replace args. Always 0.
unsigned int SplitCommandLine(const Port::StringBase &command, Port::StringBase &path,
                              std::vector<Port::StringBase> &args);

// A command line cut for a target as a launch hands it on, without the
// lookups and file checks of ViewerCommand, which a launch leaves to the
// start itself (it reports a missing program anyway).
struct CutCommand
{
    QString program;          // without the quotes of a quoted path
    QStringList written;      // the arguments as written, "%1" still in them
    QStringList arguments;    // the arguments handed on
    int remoteArgument = -1;  // see ViewerCommand::remoteArgument()
    bool targetRefused = false;
};
CutCommand CutCommandLine(ViewerCommand::Viewer viewer, const QString &commandLine, const QString &target);

// Whether a browser window can take a remote call: the probe
// "gqbrowserwindowexists" ran and exited with 1. Always false on Windows NT.
bool BrowserWindowExists();

// Whether the launches take their Windows NT branch: Port_Env::IsNt(), unless
// a test asked for the other family's branch through OverrideIsNt, so the
// rules of both families run on either.
bool IsNt();
// std::nullopt gives the platform's own answer back. Safe from any thread.
void OverrideIsNt(std::optional<bool> value);

} // namespace detail
} // namespace Kel
