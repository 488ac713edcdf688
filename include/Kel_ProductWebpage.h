// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Kel::ProductWebpage: opens a core's product web page in the user's browser.
 */
#pragma once

#include <kel_guiutilities_export.h>

#include <Port/StringBase.h>

namespace Kel {

/**
 * Opens a core's product web page in the user's web browser.
 *
 * Static functions only.
 *
 * @since 1.19
 */
class KEL_GUIUTILITIES_EXPORT ProductWebpage
{
public:
    ProductWebpage() = delete;

    /**
     * Opens the product page of the core @p coreFullName.
     *
     * Opens the maker's lookup page for the core's name, version, full name
     * and the system locale's language (en, cn, tw, kr or jp), on the web
     * site of the locale's region; when the environment variable DRV_TESTSITE
     * is set, its value replaces the web site. Logs "Opening: '<url>'" to the
     * logging category "utility" (Halm::DebugMessengerFactory::GetLogger) and
     * hands the address to UserSettings::RunWebBrowser, whose warnings follow
     * a failure.
     *
     * @param coreFullName the core's name with its version after "_v", such
     *        as name_v1_2 (the version 1.2)
     * @threads The thread of the application object.
     * @blocking As UserSettings::RunWebBrowser.
     */
    static void View(const Port::StringBase &coreFullName);
};

} // namespace Kel
