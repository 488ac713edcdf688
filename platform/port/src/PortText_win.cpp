// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port text on Windows: UTF-8, so every name the system's UTF-16 holds survives.
#include "PortText.h"
#include "WideText_win.h"

namespace Port::detail {

QString fromPortText(const char *text)
{
    return QString::fromStdWString(toWide(text));
}

QByteArray toPortText(const QString &text)
{
    const StringBase bytes = fromWide(text.toStdWString());
    return QByteArray(bytes.c_str(), int(bytes.Length()));
}

} // namespace Port::detail
