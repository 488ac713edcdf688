// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal operations of Kel::UserSettings, hidden from hosts and reachable by fuzzers.
#pragma once

#include <Port/StringBase.h>

#include <optional>
#include <vector>

namespace Kel {
namespace detail {

// Cuts a viewer command line into its program path (a quoted path keeps its
// quotes) and its blank-separated arguments, which replace args. Always 0.
unsigned int SplitCommandLine(const Port::StringBase &command, Port::StringBase &path,
                              std::vector<Port::StringBase> &args);

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
