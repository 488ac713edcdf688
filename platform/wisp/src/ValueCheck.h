// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: which serialized values of a settings file this process must not let QSettings read.
#pragma once

#include "IniText.h"

namespace Gui {
namespace Wisp {
namespace detail {

// A value that would end the process reading it (counts that ask for
// gigabytes, nesting that runs the stack out), or that could not be checked.
struct UnreadableValue
{
    IniLine line;
    bool unchecked = false;  // the helper program could not be started
};

// Each serialized value of text is read once per process, on its own, by the
// library's helper program, as this process would read it; the helper's
// fate gives the verdict. Values that Qt reads safely, whatever their type
// (a peer's own included), are not listed.
std::vector<UnreadableValue> unreadableValues(const QByteArray &text, bool guiProcess);

} // namespace detail
} // namespace Wisp
} // namespace Gui
