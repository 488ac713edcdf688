// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Kel::Help: help topics go to the help manager that the host installed.
#include <Kel_Help.h>

#include <Gui/Wisp/HelpManager.h>

namespace Kel {
namespace Help {

namespace {
constexpr char kHelpMap[] = "plugin_bqn.map";
}

void ShowHelpTopic(const QString &topic)
{
    Gui::Wisp::HelpManager *manager = Gui::Wisp::HelpManager::getInstance();
    if (!manager)
        return;
    // The manager reports its own failures; the caller has nothing to act on.
    manager->showHelpTopic(QLatin1String(kHelpMap), topic, Gui::Wisp::HelpManager::NoPrefix);
}

} // namespace Help
} // namespace Kel
