// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Kel::ProductWebpage: logs and opens the lookup URL of a core's product web page.
#include <Kel_ProductWebpage.h>

#include "Kel_ProductWebpageUrl.h"

#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <Halm/DebugMessenger.h>
#include <Port/Env.h>

namespace Kel {

namespace {
constexpr char kTestSiteVariable[] = "DRV_TESTSITE";
constexpr char kLoggerName[] = "utility";
constexpr char kOpeningFormat[] = "Opening: '%s'";
} // namespace

void ProductWebpage::View(const Port::StringBase &coreFullName)
{
    const QString url = detail::productPageUrl(Utility::PortStringToQString(coreFullName), detail::systemPageLocale(),
                                               Port_Env::GetEnv(kTestSiteVariable));
    const Port::StringBase portUrl = Utility::QStringToPortString(url);

    Port::StringBase message;
    message.Format(kOpeningFormat, portUrl.c_str());
    Halm::DebugMessengerFactory::GetLogger(kLoggerName)->Normal(message);

    // RunWebBrowser reports its own failure on the message channel.
    UserSettings::RunWebBrowser(portUrl);
}

} // namespace Kel
