// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: whether Qt can turn a serialized settings value back into an object without ending the process.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QDataStream>

namespace Gui {
namespace Wisp {
namespace detail {

// QSettings turns a value written as "@Variant(...)" or "@DateTime(...)"
// back into an object through QDataStream, which trusts the counts and the
// nesting it finds there: a damaged value can make it ask for gigabytes,
// recurse until the stack runs out, or build a pixmap in a process without a
// GUI, and each of those ends the process.
enum class Readability {
    Safe,      // Qt reads it safely in this process
    Damaged,   // Qt would end the process (or hang) reading it
    Foreign,   // a type this process does not know, a peer's own: Qt reads it as nothing
    NeedsGui,  // only a process with a GUI can read it, or it could not be checked here
};

// The check vouches for a fixed list of types, named by number or by name,
// by the shape of their stream: counts that fit the bytes at hand, bounded
// nesting. A type it does not know is read once, in a child process of the
// library's own, whose fate gives the verdict; a type a host registered is
// read by the host's own code.
Readability readabilityOf(const QByteArray &stream, QDataStream::Version version, bool guiProcess);

} // namespace detail
} // namespace Wisp
} // namespace Gui
