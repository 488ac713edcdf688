// Kel::Utility: conversions between Port::StringBase and QString, and the GUI-process check.
#pragma once

#include <kel_guiutilities_export.h>

#include <Port/StringBase.h>

#include <QtCore/QString>

namespace Kel {
namespace Utility {

// Both conversions use the encoding of Port::StringBase: UTF-8 on Windows,
// elsewhere Qt's local 8-bit encoding (UTF-8 on Linux and macOS), the one Qt
// uses for file names. ASCII is the same in all of them; text ends at the
// first NUL.
KEL_GUIUTILITIES_EXPORT Port::StringBase QStringToPortString(const QString &text);
KEL_GUIUTILITIES_EXPORT QString PortStringToQString(const Port::StringBase &text);
// Points into text's own buffer: valid while text lives unchanged.
KEL_GUIUTILITIES_EXPORT const char *PortStringToConstCharPtr(const Port::StringBase &text);

// True when the process's application object is a QApplication of the
// organisation "Dravel" named "Brantle 2.0 API" or "_bq".
KEL_GUIUTILITIES_EXPORT bool IsGuiCompatibleProcess();

} // namespace Utility
} // namespace Kel
