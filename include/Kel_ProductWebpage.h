// Kel::ProductWebpage: opens a core's product web page in the user's browser.
#pragma once

#include <kel_guiutilities_export.h>

#include <Port/StringBase.h>

namespace Kel {

class KEL_GUIUTILITIES_EXPORT ProductWebpage
{
public:
    ProductWebpage() = delete;

    // coreFullName is the core's name with its version after "_v", such as
    // name_v1_2. Logs "Opening: '<url>'" to the category "utility" and hands
    // the lookup URL to UserSettings::RunWebBrowser.
    static void View(const Port::StringBase &coreFullName);
};

} // namespace Kel
