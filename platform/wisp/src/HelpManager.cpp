// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Gui::Wisp::HelpManager: the process slot that holds the installed help manager.
#include <Gui/Wisp/HelpManager.h>

#include <atomic>

namespace Gui {
namespace Wisp {

namespace {

// Readers on any thread see either null or a fully constructed manager.
std::atomic<HelpManager *> installedManager{nullptr};

} // namespace

HelpManager::HelpManager() = default;

HelpManager::~HelpManager()
{
    uninstall();
}

HelpManager *HelpManager::getInstance()
{
    return installedManager.load(std::memory_order_acquire);
}

void HelpManager::setInstance(HelpManager *manager)
{
    installedManager.store(manager, std::memory_order_release);
}

void HelpManager::uninstall() noexcept
{
    // Only clear the slot if it still holds this manager: another thread may
    // have installed a different one meanwhile, and that one must stay.
    HelpManager *expected = this;
    installedManager.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
}

} // namespace Wisp
} // namespace Gui
