// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: the bytes of Port text (a StringBase, a command) as a QString and back.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

namespace Port::detail {

// UTF-8 on Windows, where the ANSI code page would lose most names; the file
// names' encoding elsewhere. Text ends at the first NUL.
QString fromPortText(const char *text);
QByteArray toPortText(const QString &text);

} // namespace Port::detail
