// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The store object on the preference scope, for one command, the store the tool works on, and the names of the scope's keys beyond the nine preferences.
#pragma once

#include <Gui/Wisp/Settings.h>
#include <Kel_PreferenceTable.h>

#include <QtCore/QLatin1String>
#include <QtCore/QString>

namespace KelSettings {

inline QLatin1String keyName(Kel::PreferenceTable::KeyIndex key)
{
    return QLatin1String(Kel::PreferenceTable::Keys[key].name);
}

// The recent projects, most recent first, as the library keeps them.
inline QLatin1String recentFilesKey()
{
    return keyName(Kel::PreferenceTable::RecentFiles);
}

// The main window's saved state.
inline QLatin1String windowStateKey()
{
    return keyName(Kel::PreferenceTable::WindowState);
}

// Each widget's state is kept under this prefix followed by the widget's name.
inline QLatin1String widgetStatePrefix()
{
    return keyName(Kel::PreferenceTable::WidgetState);
}

// Points every store object the tool opens later at directory (the folder
// that holds the scope's file); empty goes back to the user's.
void useStoreDirectory(const QString &directory);
// What useStoreDirectory was last given: empty for the user's store.
QString chosenStoreDirectory();

// The flags are the ones the application family always passes: the user's
// store, created on the first write and written when the object closes.
class PreferenceStore : public Gui::Wisp::Settings
{
public:
    PreferenceStore() : Gui::Wisp::Settings(Kel::PreferenceTable::Scope, true, true, true) {}
};

} // namespace KelSettings
