// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: a settings file's text read as QSettings reads it, each serialized value checked before Qt turns it into an object.
#pragma once

#include "SerializedValueCheck.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QVariant>

#include <vector>

namespace Gui {
namespace Wisp {
namespace detail {

struct IniValue
{
    QString key;          // as QSettings names it: "section/key", or "key" in [General]
    QVariant value;       // what QSettings reads, where this process may read it
    Readability readability = Readability::Safe;
    qsizetype begin = 0;  // the line (or lines) that hold it, as a byte range of the file
    qsizetype valueBegin = 0;
    qsizetype end = 0;
};

// Every key=value line of the file, in the file's order, with sections,
// quotes, escapes, lists and text encoding as this Qt version's QSettings
// reads them; where a key occurs twice, QSettings keeps the later.
std::vector<IniValue> readIniValues(const QByteArray &file, bool guiProcess);

// file with the lines of values cut out; their line breaks stay, so the
// lines around them keep their meaning.
QByteArray withoutValues(const QByteArray &file, const std::vector<const IniValue *> &values);

} // namespace detail
} // namespace Wisp
} // namespace Gui
