// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Checking a viewer or browser command line before it is stored: what the library would start from it, and what would go wrong.
#pragma once

#include "Preferences.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace KelSettings {

struct ViewerCommandCheck
{
    QStringList problems;  // empty when the command line would start a program as written
    QString started;       // what opening a sample file or URL would start, for the warning
};

// preference is PDFViewer or WebBrowser.
ViewerCommandCheck checkViewerCommand(const Preference &preference, const QString &commandLine);

} // namespace KelSettings
