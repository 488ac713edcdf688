// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// What a viewer or browser command line would start for a target, or why it would not, in the page's words.
#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace Kel {
namespace Widgets {

enum class ExternalProgram { PdfViewer, WebBrowser };

struct Verdict
{
    bool startable = false;
    QString program;       // as the launcher is given it
    QString programPath;   // what would run; empty when nothing would
    QStringList arguments; // target already in place
    QString text;          // what would start, or what is wrong; translated
};

// The library's own check of commandLine, opening target.
Verdict checkCommandLine(ExternalProgram program, const QString &commandLine, const QString &target);

// A program, argument or file as the page quotes it, in the user's language.
QString quoted(const QString &text);

} // namespace Widgets
} // namespace Kel
