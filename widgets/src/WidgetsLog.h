// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The Qt logging category of the widgets' own diagnostics, kept apart from the host's message channel.
#pragma once

#include <QtCore/QLoggingCategory>

namespace Kel {
namespace Widgets {

Q_DECLARE_LOGGING_CATEGORY(widgetsLog)

} // namespace Widgets
} // namespace Kel
