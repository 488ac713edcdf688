// The bash completion script of kel-settings, written from the command, option and preference tables.
#pragma once

#include <QtCore/QString>

namespace KelSettings {

QString bashCompletion();

} // namespace KelSettings
