// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Kel::UserSettings: preferences, display state, recent projects, and locating and launching viewers.
#include <Kel_UserSettings.h>

#include "Kel_PreferenceTable.h"
#include "Kel_UserSettingsInternal.h"

#include <Kel_Utility.h>
#include <Kel_ViewerCommand.h>

#include <Gui/Wisp/HelpManager.h>
#include <Gui/Wisp/RecentFileList.h>
#include <Gui/Wisp/Settings.h>
#include <Port/CommandLine.h>
#include <Port/Env.h>
#include <Port/Launcher.h>
#include <Port/MsgManData.h>
#include <Port/Process.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QStringList>

#include <atomic>

namespace Kel {

namespace {

using Port::StringBase;
using StringList = std::vector<StringBase>;

namespace Table = PreferenceTable;

constexpr const char *kScope = Table::Scope;

QString keyString(Table::KeyIndex key)
{
    return QString::fromLatin1(Table::Keys[key].name);
}

// The key table. Built when the library loads, in the table's order, and
// released in the reverse order when it unloads.
const QString kUseDefaultPDFViewerKey = keyString(Table::UseDefaultPDFViewer);
const QString kUseDefaultWebBrowserKey = keyString(Table::UseDefaultWebBrowser);
const QString kOpenPreviousProjectKey = keyString(Table::OpenPreviousProject);
const QString kOverwriteFilesKey = keyString(Table::OverwriteFiles);
const QString kPDFViewerKey = keyString(Table::PDFViewer);
const QString kWebBrowserKey = keyString(Table::WebBrowser);
const QString kDisplayReadmeKey = keyString(Table::DisplayReadme);
const QString kJavaMemorySizeKey = keyString(Table::JavaMemorySize);
const QString kRecentProjectCountKey = keyString(Table::RecentProjectCount);
const QString kWindowStateKey = keyString(Table::WindowState);
const QString kWidgetStateKey = keyString(Table::WidgetState);
const QString kRecentFilesKey = keyString(Table::RecentFiles);

// Both viewers share one reading of their flag.
static_assert(Table::flagDefault(Table::UseDefaultPDFViewer) == Table::flagDefault(Table::UseDefaultWebBrowser));
constexpr bool kUseDefaultViewerDefault = Table::flagDefault(Table::UseDefaultPDFViewer);
constexpr bool kOpenPreviousProjectDefault = Table::flagDefault(Table::OpenPreviousProject);
constexpr bool kOverwriteFilesDefault = Table::flagDefault(Table::OverwriteFiles);
constexpr bool kDisplayReadmeDefault = Table::flagDefault(Table::DisplayReadme);
constexpr int kJavaMemoryChoiceDefault = Table::numberDefault(Table::JavaMemorySize);
constexpr int kRecentProjectCountDefault = Table::numberDefault(Table::RecentProjectCount);

// The font size lives in the process only.
constexpr int kInitialFontSize = 7;
constexpr int kLargeFontThreshold = 12;
constexpr int kLargeFontReduction = 2;
std::atomic<int> g_fontSize{kInitialFontSize};

// Warnings on the message channel name this file and its revision.
constexpr char kWarningDomain[] = "kel";
constexpr char kWarningFile[] = "../s/Kel_UserSettings";
constexpr char kWarningRevision[] = "$Revision: 1.19 $";

struct Warning
{
    unsigned int line;
    const char *text;
};

constexpr Warning kNoPdfViewerLocation{336, "Unable to determine location of PDF viewer\n"};
constexpr Warning kNoWebBrowserLocation{363, "Unable to determine location of web viewer\n"};
constexpr Warning kDefaultPdfViewerFailed{183, "Unable to launch pdf viewer"};
constexpr Warning kNoUserPdfViewer{194, "Unable to launch user-defined pdf viewer"};
constexpr Warning kUserPdfViewerFailed{221, "Unable to launch pdf viewer"};
constexpr Warning kDefaultWebBrowserFailed{241, "Unable to launch web browser"};
constexpr Warning kNoUserWebBrowser{253, "Unable to launch user-defined HTML browser"};
constexpr Warning kUserWebBrowserFailed{307, "Unable to launch web browser"};

constexpr char kBrowserWindowProbe[] = "gqbrowserwindowexists";
constexpr int kProbeSaysWindowExists = 1;

constexpr unsigned int kOk = 0;
constexpr unsigned int kFailed = 1;

void issueWarning(const Warning &warning)
{
    Port_MsgManData::createObject(kWarningDomain, kWarningFile, warning.line, kWarningRevision)
        .issueWarning("%s", warning.text);
}

// One store object on the scope, for one operation.
class ScopeStore : public Gui::Wisp::Settings
{
public:
    ScopeStore() : Gui::Wisp::Settings(kScope, true, true, true) {}
};

QVariant readValue(const QString &key, const QVariant &defaultValue)
{
    ScopeStore store;
    return store.getValue(key, defaultValue);
}

bool readFlag(const QString &key, bool defaultValue)
{
    return readValue(key, QVariant(defaultValue)).toBool();
}

int readNumber(const QString &key, int defaultValue)
{
    return readValue(key, QVariant(defaultValue)).toInt();
}

// 1 when the value could not be stored; kel.settings says why.
unsigned int writeValue(const QString &key, const QVariant &value)
{
    ScopeStore store;
    store.setValue(key, value);
    return store.sync() ? kOk : kFailed;
}

// The stored bits of an unsigned preference, as the int the store keeps.
int asStoredInt(unsigned int value)
{
    return static_cast<int>(value);
}

int readRecentProjectCount()
{
    return readNumber(kRecentProjectCountKey, kRecentProjectCountDefault);
}

QString widgetStateKey(const QString &widgetName)
{
    return kWidgetStateKey + widgetName;
}

// The two viewers differ only in keys, the default program and the warnings.
struct ViewerKind
{
    const QString &flagKey;
    const QString &commandKey;
    QString (Gui::Wisp::HelpManager::*defaultCommand)() const;
    Warning noLocation;
};

const ViewerKind kPdfViewer{kUseDefaultPDFViewerKey, kPDFViewerKey, &Gui::Wisp::HelpManager::getPDFViewer,
                            kNoPdfViewerLocation};
const ViewerKind kWebBrowser{kUseDefaultWebBrowserKey, kWebBrowserKey, &Gui::Wisp::HelpManager::getWebBrowser,
                             kNoWebBrowserLocation};

// The command line a viewer is located by: the default program's when the
// flag says so, else the user's. Null, after the warning, when none is known.
// Read afresh at every call, so every change reaches the next launch; a
// launch passes the flag it has read, so one reading decides the route.
QString locatedCommandLine(const ViewerKind &kind, bool useDefault)
{
    QString command = QString::fromLatin1("");  // empty, not null: "nothing known" is null only
    if (useDefault) {
        if (Gui::Wisp::HelpManager *manager = Gui::Wisp::HelpManager::getInstance())
            command = (manager->*kind.defaultCommand)();
    } else {
        command = readValue(kind.commandKey, QVariant()).toString();
    }
    if (command.isNull())
        issueWarning(kind.noLocation);
    return command;
}

unsigned int locateViewer(const ViewerKind &kind, StringBase &path, StringList &args)
{
    const QString command = locatedCommandLine(kind, readFlag(kind.flagKey, kUseDefaultViewerDefault));
    if (command.isNull())
        return kFailed;
    return detail::SplitCommandLine(Utility::QStringToPortString(command), path, args);
}

// A launch's late failure comes from the line of the launch.
Port_MsgManData launchChannel(const Warning &launch)
{
    return Port_MsgManData::createObject(kWarningDomain, kWarningFile, launch.line, kWarningRevision);
}

// Starts the user's program detached; true once it runs.
bool startUserProgram(const QString &program, const QStringList &arguments, const Port_MsgManData &channel,
                      const QString &target)
{
    return Port::Launcher::start(Port::CommandLine(program, arguments), channel, target);
}

std::uint32_t saturatingLast(std::uint32_t first, std::uint32_t length)
{
    const std::uint64_t last = std::uint64_t(first) + length - 1;
    return last > StringBase::npos ? StringBase::npos : static_cast<std::uint32_t>(last);
}

} // namespace

namespace detail {

unsigned int SplitCommandLine(const StringBase &command, StringBase &path, StringList &args)
{
    const std::uint32_t n = command.Length();
    std::uint32_t split;
    if (n > 0 && command.c_str()[0] == '"') {
        // Just after the closing quote; no closing quote wraps to 0, which
        // leaves the path empty and the whole command as arguments.
        split = command.GetIndexOfString(Port_Range(1, n), StringBase("\""), Port::CompareExact) + 1;
    } else {
        split = command.GetIndexOfString(" ", Port::CompareExact);
    }

    StringBase remainder;
    if (split == StringBase::npos) {
        path = command;
        remainder = "";
    } else {
        path = split == 0 ? StringBase(command, Port_Range(1, 0)) : StringBase(command, Port_Range(0, split - 1));
        remainder = StringBase(command, Port_Range(split, saturatingLast(split, n)));
    }

    static constexpr char kBlanks[] = " \t";
    path.Trim(kBlanks, Port::TrimBoth);
    remainder.Trim(kBlanks, Port::TrimBoth);
    args = StringBase::Split(remainder, StringBase(" "), true, StringBase(""), StringBase(""));
    return kOk;
}

namespace {

constexpr int kNoOverride = -1;
std::atomic<int> s_isNtOverride{kNoOverride};

} // namespace

bool IsNt()
{
    const int forced = s_isNtOverride.load(std::memory_order_acquire);
    return forced == kNoOverride ? Port_Env::IsNt() : forced != 0;
}

void OverrideIsNt(std::optional<bool> value)
{
    s_isNtOverride.store(value ? static_cast<int>(*value) : kNoOverride, std::memory_order_release);
}

bool BrowserWindowExists()
{
    if (IsNt())
        return false;
    Port::Process probe;
    if (probe.RunNoWindow(kBrowserWindowProbe, true, true) != 0)
        return false;
    return probe.GetChildRetcode() == kProbeSaysWindowExists;
}

} // namespace detail

// ---- Preferences -----------------------------------------------------------

bool UserSettings::GetUseDefaultPDFViewer()
{
    return readFlag(kUseDefaultPDFViewerKey, kUseDefaultViewerDefault);
}

unsigned int UserSettings::SetUseDefaultPDFViewer(bool useDefault)
{
    return writeValue(kUseDefaultPDFViewerKey, QVariant(useDefault));
}

bool UserSettings::GetUseDefaultWebBrowser()
{
    return readFlag(kUseDefaultWebBrowserKey, kUseDefaultViewerDefault);
}

unsigned int UserSettings::SetUseDefaultWebBrowser(bool useDefault)
{
    return writeValue(kUseDefaultWebBrowserKey, QVariant(useDefault));
}

unsigned int UserSettings::SetPDFViewerPath(const StringBase &commandLine)
{
    return writeValue(kPDFViewerKey, QVariant(Utility::PortStringToQString(commandLine)));
}

unsigned int UserSettings::SetWebBrowserPath(const StringBase &commandLine)
{
    return writeValue(kWebBrowserKey, QVariant(Utility::PortStringToQString(commandLine)));
}

bool UserSettings::GetOpenPreviousProject()
{
    return readFlag(kOpenPreviousProjectKey, kOpenPreviousProjectDefault);
}

unsigned int UserSettings::SetOpenPreviousProject(bool open)
{
    return writeValue(kOpenPreviousProjectKey, QVariant(open));
}

bool UserSettings::GetOverwriteOutputFiles()
{
    return readFlag(kOverwriteFilesKey, kOverwriteFilesDefault);
}

unsigned int UserSettings::SetOverwriteOutputFiles(bool overwrite)
{
    return writeValue(kOverwriteFilesKey, QVariant(overwrite));
}

bool UserSettings::GetDisplayReadmeFile()
{
    return readFlag(kDisplayReadmeKey, kDisplayReadmeDefault);
}

unsigned int UserSettings::SetDisplayReadmeFile(bool display)
{
    return writeValue(kDisplayReadmeKey, QVariant(display));
}

unsigned int UserSettings::GetJavaMemorySize()
{
    const int choice = readNumber(kJavaMemorySizeKey, kJavaMemoryChoiceDefault);
    return Table::javaMemorySizeMb(static_cast<unsigned int>(choice));
}

unsigned int UserSettings::SetJavaMemorySize(unsigned int choiceIndex)
{
    return writeValue(kJavaMemorySizeKey, QVariant(asStoredInt(choiceIndex)));
}

unsigned int UserSettings::GetRecentProjectCount()
{
    return static_cast<unsigned int>(readRecentProjectCount());
}

unsigned int UserSettings::SetRecentProjectCount(unsigned int count)
{
    return writeValue(kRecentProjectCountKey, QVariant(asStoredInt(count)));
}

// ---- Display state ---------------------------------------------------------

unsigned int UserSettings::GetFontSize(int &size)
{
    const int stored = g_fontSize.load(std::memory_order_relaxed);
    size = stored > kLargeFontThreshold ? stored - kLargeFontReduction : stored;
    return kOk;
}

unsigned int UserSettings::SetFontSize(int size)
{
    g_fontSize.store(size, std::memory_order_relaxed);
    return kOk;
}

QByteArray UserSettings::GetWindowState()
{
    return readValue(kWindowStateKey, QVariant()).toByteArray();
}

unsigned int UserSettings::SetWindowState(const QByteArray &state)
{
    return writeValue(kWindowStateKey, QVariant(state));
}

QVariant UserSettings::GetWidgetState(const QString &widgetName)
{
    return readValue(widgetStateKey(widgetName), QVariant());
}

unsigned int UserSettings::SetWidgetState(const QString &widgetName, const QVariant &state)
{
    return writeValue(widgetStateKey(widgetName), state);
}

// ---- Recent projects -------------------------------------------------------

std::vector<StringBase> UserSettings::GetRecentProjects()
{
    std::vector<StringBase> existing;
    ScopeStore store;  // stays open while the limit is read through further store objects; holds no lock
    const QStringList stored = store.getValue(kRecentFilesKey, QVariant()).toStringList();
    int examined = 0;
    for (const QString &entry : stored) {
        if (QFile::exists(entry))
            existing.push_back(Utility::QStringToPortString(entry));
        ++examined;
        // The limit bounds the entries examined; 0 or below never matches.
        if (examined == readRecentProjectCount())
            break;
    }
    return existing;
}

StringBase UserSettings::GetPreviousProjectName()
{
    const std::vector<StringBase> recent = GetRecentProjects();
    if (recent.empty())
        return StringBase();
    return recent.front();
}

unsigned int UserSettings::SetPreviousProjectName(const StringBase &name)
{
    ScopeStore store;
    // Read, change and write as one step against other recorders.
    store.lockForUpdate();
    Gui::Wisp::RecentFileList recent(store.getValue(kRecentFilesKey, QVariant()).toStringList(), nullptr);
    recent.push_front(Utility::PortStringToQString(name));
    store.setValue(kRecentFilesKey, QVariant(recent.getStringList()));
    return store.sync() ? kOk : kFailed;
}

// ---- External viewers ------------------------------------------------------

unsigned int UserSettings::GetPDFViewerPath(StringBase &path, StringList &args)
{
    return locateViewer(kPdfViewer, path, args);
}

unsigned int UserSettings::GetWebBrowserPath(StringBase &path, StringList &args)
{
    return locateViewer(kWebBrowser, path, args);
}

unsigned int UserSettings::RunPDFViewer(const StringBase &file)
{
    const QString pdf = Utility::PortStringToQString(file);
    if (readFlag(kPdfViewer.flagKey, kUseDefaultViewerDefault)) {
        Gui::Wisp::HelpManager *manager = Gui::Wisp::HelpManager::getInstance();
        if (!manager)
            return kOk;
        if (manager->runPDFReader(QDir::toNativeSeparators(pdf)))
            return kOk;
        issueWarning(kDefaultPdfViewerFailed);
        return kFailed;
    }

    const QString commandLine = locatedCommandLine(kPdfViewer, false);
    if (commandLine.isNull()) {
        issueWarning(kNoUserPdfViewer);
        return kFailed;
    }
    const detail::CutCommand command = detail::CutCommandLine(ViewerCommand::PdfViewer, commandLine, pdf);
    // Made once, not at every launch: launches run on the host's GUI thread.
    static const Port_MsgManData channel = launchChannel(kUserPdfViewerFailed);
    if (startUserProgram(command.program, command.arguments, channel, pdf))
        return kOk;
    issueWarning(kUserPdfViewerFailed);
    return kFailed;
}

unsigned int UserSettings::RunWebBrowser(const StringBase &url)
{
    const QString target = Utility::PortStringToQString(url);
    if (readFlag(kWebBrowser.flagKey, kUseDefaultViewerDefault)) {
        Gui::Wisp::HelpManager *manager = Gui::Wisp::HelpManager::getInstance();
        if (!manager)
            return kOk;
        if (manager->runWebBrowser(target))
            return kOk;
        issueWarning(kDefaultWebBrowserFailed);
        return kFailed;
    }

    const QString commandLine = locatedCommandLine(kWebBrowser, false);
    if (commandLine.isNull()) {
        issueWarning(kNoUserWebBrowser);
        return kFailed;
    }
    const detail::CutCommand command = detail::CutCommandLine(ViewerCommand::WebBrowser, commandLine, target);
    if (command.targetRefused) {
        qCWarning(Port::Launcher::logCategory, "Refusing to open '%s' with the user-defined web browser: %s",
                  target.toUtf8().constData(),
                  ViewerCommand(ViewerCommand::WebBrowser, commandLine, target)
                      .describe(ViewerCommand::TargetRefused)
                      .toUtf8()
                      .constData());
        issueWarning(kUserWebBrowserFailed);
        return kFailed;
    }
    QStringList arguments = command.arguments;
    // Without a browser window to take the remote call the browser starts anew.
    if (command.remoteArgument >= 0 && !detail::BrowserWindowExists())
        arguments.removeAt(command.remoteArgument);
    // Made once, not at every launch: launches run on the host's GUI thread.
    static const Port_MsgManData channel = launchChannel(kUserWebBrowserFailed);
    if (startUserProgram(command.program, arguments, channel, target))
        return kOk;
    issueWarning(kUserWebBrowserFailed);
    return kFailed;
}

} // namespace Kel
