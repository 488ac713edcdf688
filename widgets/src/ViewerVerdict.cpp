// The page's verdict on a command line, taken from the library's check.
#include "ViewerVerdict.h"

#include <Kel_ExternalProgramsPage.h>

namespace Kel {
namespace Widgets {

// TODO: ask the library's command-line check once it is exported.
Verdict checkCommandLine(ExternalProgram, const QString &, const QString &)
{
    Verdict verdict;
    verdict.problem = ExternalProgramsPage::tr("This command line cannot be checked.");
    return verdict;
}

} // namespace Widgets
} // namespace Kel
