// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Writes the tool's results to stdout: text lines in the tool's output encoding, JSON as UTF-8.
#include "Output.h"

#include "Messages.h"
#include "Terminal.h"

#include <QtCore/QByteArray>
#include <QtCore/QJsonDocument>

#include <cstdio>

namespace KelSettings {

void printLine(const QString &line)
{
    QByteArray bytes = streamBytes(line);
    bytes += '\n';
    writeToStream(stdout, bytes);
}

void printLines(const QStringList &lines)
{
    for (const QString &line : lines)
        printLine(line);
}

void printText(const QString &text)
{
    printLine(text.endsWith(QLatin1Char('\n')) ? text.chopped(1) : text);
}

void printJson(const QJsonObject &object)
{
    writeToStream(stdout, QJsonDocument(object).toJson(QJsonDocument::Indented));
}

bool finishOutput()
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    printError(QStringLiteral("could not write the output"));
    return false;
}

} // namespace KelSettings
