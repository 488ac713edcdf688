// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port text on UNIX-like systems: the bytes of file names, as the system hands them over.
#include "PortText.h"

#include <QtCore/QFile>

namespace Port::detail {

QString fromPortText(const char *text)
{
    return QFile::decodeName(text);
}

QByteArray toPortText(const QString &text)
{
    return QFile::encodeName(text);
}

} // namespace Port::detail
