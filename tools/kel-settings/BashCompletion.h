// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The bash completion script of kel-settings, written from the command, option and preference tables.
#pragma once

#include <QtCore/QString>

namespace KelSettings {

QString bashCompletion();

} // namespace KelSettings
