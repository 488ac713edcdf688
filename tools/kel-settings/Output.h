// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// What reaches stdout: text lines in the tool's output encoding and JSON documents.
#pragma once

#include <QtCore/QJsonObject>
#include <QtCore/QString>
#include <QtCore/QStringList>

namespace KelSettings {

void printLine(const QString &line);
void printLines(const QStringList &lines);
// A block of lines such as a help text, ending in one newline whether text ends in one or not.
void printText(const QString &text);
void printJson(const QJsonObject &object);

// Flushes stdout; false (after an error on stderr) when the output was lost,
// such as on a closed pipe or a full disk.
bool finishOutput();

} // namespace KelSettings
