// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Kel::Utility: conversions between Port::StringBase and QString, and the GUI-process check.
 */
#pragma once

#include <kel_guiutilities_export.h>

#include <Port/StringBase.h>

#include <QtCore/QString>

namespace Kel {
/**
 * Conversions between Port::StringBase and QString, and the GUI-process check.
 *
 * Both conversions use the encoding of Port::StringBase: UTF-8 on Windows,
 * elsewhere Qt's local 8-bit encoding (UTF-8 on Linux and macOS), the one Qt
 * uses for file names. ASCII is the same in all of them; text ends at the
 * first NUL.
 *
 * @since 1.19
 */
namespace Utility {

/**
 * @p text as a Port::StringBase.
 *
 * @param text the text; null or empty gives the empty string
 * @return the text in the encoding of Port::StringBase, ending before its first NUL
 * @threads Any thread.
 * @blocking Never waits.
 * @since 1.19
 */
KEL_GUIUTILITIES_EXPORT Port::StringBase QStringToPortString(const QString &text);
/**
 * @p text as a QString.
 *
 * @param text the text, in the encoding of Port::StringBase
 * @return the text up to its first NUL
 * @threads Any thread.
 * @blocking Never waits.
 * @since 1.19
 */
KEL_GUIUTILITIES_EXPORT QString PortStringToQString(const Port::StringBase &text);
/**
 * @p text's own NUL-terminated buffer.
 *
 * @param text the string
 * @return a pointer into @p text: valid while @p text lives unchanged
 * @threads Any thread.
 * @blocking Never waits.
 * @since 1.19
 */
KEL_GUIUTILITIES_EXPORT const char *PortStringToConstCharPtr(const Port::StringBase &text);

/**
 * Whether the process is the application's GUI.
 *
 * @return true when the process's application object is a QApplication of
 *         the organisation "Dravel" named "Brantle 2.0 API" or "_bq" (whole,
 *         case-sensitive names)
 * @threads The thread of the application object.
 * @blocking Never waits.
 * @since 1.19
 */
KEL_GUIUTILITIES_EXPORT bool IsGuiCompatibleProcess();

} // namespace Utility
} // namespace Kel
