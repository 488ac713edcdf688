// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The Qt logging category "kel.widgets".
#include "WidgetsLog.h"

namespace Kel {
namespace Widgets {

Q_LOGGING_CATEGORY(widgetsLog, "kel.widgets")

} // namespace Widgets
} // namespace Kel
