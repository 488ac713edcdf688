// Kel::Help: opens topics of the application's help.
#pragma once

#include <kel_guiutilities_export.h>

#include <QtCore/QString>

namespace Kel {
namespace Help {

// Asks the installed help manager for topic of the map "plugin_bqn.map";
// does nothing when no help manager is installed.
KEL_GUIUTILITIES_EXPORT void ShowHelpTopic(const QString &topic);

} // namespace Help
} // namespace Kel
