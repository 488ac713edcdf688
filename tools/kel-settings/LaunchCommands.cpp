// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-settings which, open-pdf, open-url, product-page and help: the viewers as the application starts them.
#include "Commands.h"
#include "Messages.h"
#include "Output.h"
#include "PreferenceStore.h"
#include "Preferences.h"

#include <Gui/Wisp/DesktopHelpManager.h>
#include <Kel_Help.h>
#include <Kel_ProductWebpage.h>
#include <Kel_UserSettings.h>
#include <Kel_Utility.h>
#include <Port/Launcher.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QJsonArray>
#include <QtCore/QLatin1String>
#include <QtCore/QThread>

#include <vector>

namespace KelSettings {

namespace {

using Kel::Utility::PortStringToQString;
using Kel::Utility::QStringToPortString;

constexpr const char *PdfViewerName = ViewerNames[0];
constexpr const char *WebBrowserName = ViewerNames[1];
// A failure is seen within a turn of the reaper and travels as a queued call.
constexpr int ReportGraceMs = 1000;
constexpr unsigned long ReportPollMs = 10;

// The desktop's default programs stand behind the viewers for the command's
// lifetime, as they do in the application.
class DesktopHelp
{
public:
    DesktopHelp() { Gui::Wisp::HelpManager::setInstance(&m_manager); }
    ~DesktopHelp() { Gui::Wisp::HelpManager::setInstance(nullptr); }
    DesktopHelp(const DesktopHelp &) = delete;
    DesktopHelp &operator=(const DesktopHelp &) = delete;

private:
    Gui::Wisp::DesktopHelpManager m_manager;
};

// The command line preference of a viewer name, or null.
const Preference *commandLineOf(const QString &viewer)
{
    if (viewer == QLatin1String(PdfViewerName))
        return findPreference(keyName(Kel::PreferenceTable::PDFViewer));
    return viewer == QLatin1String(WebBrowserName) ? findPreference(keyName(Kel::PreferenceTable::WebBrowser)) : nullptr;
}

// A started program that fails at once is reported after the launch has
// returned: the command stays while a report may come, and goes as soon as
// the program has ended or its report window is over.
void awaitLateFailures()
{
    QDeadlineTimer deadline(Port::Launcher::LateFailureWindowMs + ReportGraceMs);
    while (Port::Launcher::reportsPending() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(ReportPollMs);
    }
    QCoreApplication::processEvents();  // a report queued at the last moment
}

// Starts through the library, with the desktop's default programs behind
// it, and stays for the report of a program that fails at once.
template <typename Start>
int launched(Start start)
{
    const DesktopHelp help;
    const WarningWatch watch;
    const unsigned int result = start();
    awaitLateFailures();
    return exitCodeOf(watch, result);
}

} // namespace

// The program and arguments as the library splits the command line; a
// user-defined one is then read as a launch reads it, and what keeps it from
// starting fails the command. The desktop's default program is the help
// manager's to find.
int runWhich(const Invocation &invocation)
{
    const QString viewer = invocation.arguments.at(0);
    const Preference *commandLine = commandLineOf(viewer);
    if (!commandLine) {
        printError(QStringLiteral("unknown viewer '") + viewer + QStringLiteral("'; use ")
                   + QLatin1String(PdfViewerName) + QStringLiteral(" or ") + QLatin1String(WebBrowserName));
        return ExitUsage;
    }
    const DesktopHelp help;
    const WarningWatch watch;
    Port::StringBase path;
    std::vector<Port::StringBase> args;
    const unsigned int result = commandLine->index == Kel::PreferenceTable::PDFViewer
                                    ? Kel::UserSettings::GetPDFViewerPath(path, args)
                                    : Kel::UserSettings::GetWebBrowserPath(path, args);
    const PreferenceStore store;
    const PreferenceReading reading = readPreference(*commandLine, store);
    if (result != LibrarySuccess) {
        if (reading.unusable)
            printNote(QLatin1String(commandLine->key()) + QStringLiteral(" is ") + reading.note);
        return ExitFailed;
    }
    QStringList arguments;
    for (const Port::StringBase &arg : args)
        arguments << PortStringToQString(arg);
    if (invocation.json) {
        printJson(QJsonObject{
            {QStringLiteral("viewer"), viewer},
            {QStringLiteral("program"), PortStringToQString(path)},
            {QStringLiteral("arguments"), QJsonArray::fromStringList(arguments)},
        });
    } else {
        printLine(PortStringToQString(path));
        printLines(arguments);
    }
    const bool starts = useDefaultFlagOf(*commandLine).getFlag() || commandLineStarts(*commandLine, reading.value.toString());
    return starts ? exitCodeOf(watch) : ExitFailed;
}

// ProductWebpage::View and Help::ShowHelpTopic report a failure by warnings alone.
int runOpenPdf(const Invocation &invocation)
{
    return launched([&] { return Kel::UserSettings::RunPDFViewer(QStringToPortString(invocation.arguments.at(0))); });
}

int runOpenUrl(const Invocation &invocation)
{
    return launched([&] { return Kel::UserSettings::RunWebBrowser(QStringToPortString(invocation.arguments.at(0))); });
}

int runProductPage(const Invocation &invocation)
{
    return launched([&] {
        Kel::ProductWebpage::View(QStringToPortString(invocation.arguments.at(0)));
        return LibrarySuccess;
    });
}

int runHelpTopic(const Invocation &invocation)
{
    return launched([&] {
        Kel::Help::ShowHelpTopic(invocation.arguments.at(0));
        return LibrarySuccess;
    });
}

} // namespace KelSettings
