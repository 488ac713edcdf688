// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The store object on the preference scope, for one command, and the names of the scope's keys beyond the nine preferences.
#pragma once

#include <Gui/Wisp/Settings.h>
#include <Kel_PreferenceTable.h>

#include <QtCore/QLatin1String>

namespace KelSettings {

inline QLatin1String keyName(Kel::PreferenceTable::KeyIndex key)
{
    return QLatin1String(Kel::PreferenceTable::Keys[key].name);
}

// The recent projects, most recent first, as the library keeps them; the
// main window's saved state; and the prefix of each widget's state, followed
// by the widget's name.
inline const QLatin1String RecentFilesKey = keyName(Kel::PreferenceTable::RecentFiles);
inline const QLatin1String WindowStateKey = keyName(Kel::PreferenceTable::WindowState);
inline const QLatin1String WidgetStatePrefix = keyName(Kel::PreferenceTable::WidgetState);

// The flags are the ones the application family always passes: the user's
// store, created on the first write and written when the object closes.
class PreferenceStore : public Gui::Wisp::Settings
{
public:
    PreferenceStore() : Gui::Wisp::Settings(Kel::PreferenceTable::Scope, true, true, true) {}
};

} // namespace KelSettings
