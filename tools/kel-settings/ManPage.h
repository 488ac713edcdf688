// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The manual page kel-settings.1, written from the command, option and preference tables.
#pragma once

#include <QtCore/QString>

namespace KelSettings {

// The page in the man(7) macros; version goes in its footer.
QString manPage(const QString &version);

} // namespace KelSettings
