// The store object on the preference scope, for one command, and the scope's keys beyond the nine preferences.
#pragma once

#include "Commands.h"

#include <Gui/Wisp/Settings.h>

namespace KelSettings {

// The recent projects, most recent first, as the library keeps them.
constexpr char RecentFilesKey[] = "RecentFiles";
// The main window's saved state.
constexpr char WindowStateKey[] = "WindowState";
// Each widget's state is kept under this prefix followed by the widget's name.
constexpr char WidgetStatePrefix[] = "WidgetState";

// The flags are the ones the application family always passes: the user's
// store, created on the first write and written when the object closes.
class PreferenceStore : public Gui::Wisp::Settings
{
public:
    PreferenceStore() : Gui::Wisp::Settings(PreferenceScope, true, true, true) {}
};

} // namespace KelSettings
