// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Kel::Help: opens topics of the application's help.
 */
#pragma once

#include <kel_guiutilities_export.h>

#include <QtCore/QString>

namespace Kel {
/**
 * The application's help topics.
 *
 * @since 1.19
 */
namespace Help {

/**
 * Opens @p topic of the help map "plugin_bqn.map" through the installed
 * Gui::Wisp::HelpManager; does nothing when none is installed.
 *
 * The manager's answer is not passed on: a missing map or topic is the
 * manager's to report (Gui::Wisp::DesktopHelpManager: in the logging category
 * "kel.launch").
 *
 * @param topic the topic's identifier, handed on as it is
 * @threads The thread of the application object.
 * @blocking As the help manager: Gui::Wisp::DesktopHelpManager reads the map,
 *           then waits until the browser runs.
 * @since 1.19
 */
KEL_GUIUTILITIES_EXPORT void ShowHelpTopic(const QString &topic);

} // namespace Help
} // namespace Kel
