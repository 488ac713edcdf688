// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Lets a widget take what the message channel reports about a program it started, while every other message reaches the host as before.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QString>

#include <functional>

namespace Kel {
namespace Widgets {

// For Port::Launcher::LateFailureWindowMs and a little after, every warning
// whose text names target in quotes, as the launcher's reports name what a
// program was started for, goes to heard on receiver's thread instead of the
// host's handler, while receiver lives. The host's handler, or Qt's message log
// when it has none, gets every other message.
void listenForReports(QObject *receiver, const QString &target, std::function<void(const QString &text)> heard);

} // namespace Widgets
} // namespace Kel
