// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Checks a viewer or browser command line through the library's own reading of it, the one its launches use.
#include "ViewerCommandCheck.h"

#include <Kel_ViewerCommand.h>

#include <QtCore/QLatin1String>

namespace KelSettings {

namespace {

// What the warning shows each viewer opening.
constexpr char PdfSample[] = "manual.pdf";
constexpr char WebSample[] = "https://example.com/";

QString shown(const QString &text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

} // namespace

ViewerCommandCheck checkViewerCommand(const Preference &preference, const QString &commandLine)
{
    const bool pdf = preference.index == Kel::PreferenceTable::PDFViewer;
    const QString sample = QLatin1String(pdf ? PdfSample : WebSample);
    const Kel::ViewerCommand command(pdf ? Kel::ViewerCommand::PdfViewer : Kel::ViewerCommand::WebBrowser, commandLine,
                                     sample);
    ViewerCommandCheck check;
    for (const Kel::ViewerCommand::Problem problem : command.problems())
        check.problems << command.describe(problem);
    QStringList arguments;
    for (const QString &argument : command.arguments())
        arguments << shown(argument);
    check.started = QStringLiteral("opening ") + sample + QStringLiteral(", the ")
                    + (pdf ? QStringLiteral("PDF viewer") : QStringLiteral("web browser"))
                    + QStringLiteral(" would start ") + shown(command.program()) + QStringLiteral(" with the arguments ")
                    + arguments.join(QLatin1Char(' '));
    return check;
}

} // namespace KelSettings
