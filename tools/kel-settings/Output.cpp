// Writes the tool's results to stdout: paths and values in the local 8-bit encoding, JSON as UTF-8.
#include "Output.h"

#include "Messages.h"

#include <QtCore/QByteArray>
#include <QtCore/QJsonDocument>

#include <cstdio>

namespace KelSettings {

namespace {

void writeBytes(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
}

} // namespace

// The library hands paths over in the local 8-bit encoding; printing them the
// same way gives back the bytes a script would pass to another program.
void printLine(const QString &line)
{
    QByteArray bytes = line.toLocal8Bit();
    bytes += '\n';
    writeBytes(bytes);
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
    writeBytes(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

bool finishOutput()
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    printError(QStringLiteral("could not write the output"));
    return false;
}

} // namespace KelSettings
