// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The store directory kel-settings works on, set through the store's own API so the environment stays as it was.
#include "PreferenceStore.h"

namespace KelSettings {

namespace {

QString &chosenDirectory()
{
    static QString directory;
    return directory;
}

} // namespace

void useStoreDirectory(const QString &directory)
{
    chosenDirectory() = directory;
    Gui::Wisp::Settings::setStoreDirectory(directory);
}

QString chosenStoreDirectory()
{
    return chosenDirectory();
}

} // namespace KelSettings
