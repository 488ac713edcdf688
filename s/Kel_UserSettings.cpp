// Kel::UserSettings: preferences, display state, recent projects, and locating and launching viewers.
#include <Kel_UserSettings.h>

#include "Kel_PreferenceTable.h"
#include "Kel_UserSettingsInternal.h"

#include <Kel_Utility.h>

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
#include <cctype>

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

constexpr char kPlaceholder[] = "%1";
constexpr char kRemoteArgument[] = "-remote";
constexpr char kOpenUrlArgument[] = "openURL";
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

unsigned int writeValue(const QString &key, const QVariant &value)
{
    ScopeStore store;
    store.setValue(key, value);
    return kOk;
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

// What a launch takes from the preferences: the default program, or the
// user's command line cut into program and arguments, as the launcher takes
// them ("%1" not yet replaced).
struct ViewerChoice
{
    bool useDefault = kUseDefaultViewerDefault;
    unsigned int located = kOk;
    QString program;
    QStringList arguments;
};

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

unsigned int locateViewer(const ViewerKind &kind, StringBase &path, StringList &args)
{
    QString command = QString::fromLatin1("");  // empty, not null: "nothing known" is null only
    if (readFlag(kind.flagKey, kUseDefaultViewerDefault)) {
        if (Gui::Wisp::HelpManager *manager = Gui::Wisp::HelpManager::getInstance())
            command = (manager->*kind.defaultCommand)();
    } else {
        command = readValue(kind.commandKey, QVariant()).toString();
    }
    if (command.isNull()) {
        issueWarning(kind.noLocation);
        return kFailed;
    }
    return detail::SplitCommandLine(Utility::QStringToPortString(command), path, args);
}

// A quoted program path is how a path with blanks is written, but the quotes
// are not part of the program's name.
QString programFromPath(const StringBase &path)
{
    QString program = Utility::PortStringToQString(path);
    if (program.size() >= 2 && program.startsWith(QLatin1Char('"')) && program.endsWith(QLatin1Char('"')))
        program = program.mid(1, program.size() - 2);
    return program;
}

// A file name that begins with '-' would reach the viewer as an option.
QString fileAsArgument(const QString &file)
{
    if (file.startsWith(QLatin1Char('-')))
        return QDir::toNativeSeparators(QStringLiteral("./")) + file;
    return file;
}

// Why a URL is not handed to the user's browser, or null when it is: an empty
// URL gives it nothing to open (the default browser refuses it too), and one
// that reaches it as an option is the classic hole of URL openers.
const char *refusalOf(const QString &url)
{
    if (url.isEmpty())
        return "the URL is empty";
    if (url.startsWith(QLatin1Char('-')))
        return "it begins with '-' and would be read as an option";
    return nullptr;
}

QStringList buildArguments(const QStringList &args, const QString &substitute, const QString &appended)
{
    const QLatin1String placeholder(kPlaceholder);
    QStringList list;
    list.reserve(args.size() + 1);
    bool substituted = false;
    for (QString text : args) {
        // The usual command line has the placeholder as an argument of its
        // own, which needs no search and no copy.
        if (text == placeholder) {
            text = substitute;
            substituted = true;
        } else if (text.indexOf(placeholder, 0, Qt::CaseSensitive) != -1) {
            text.replace(placeholder, substitute, Qt::CaseSensitive);
            substituted = true;
        }
        list.append(text);
    }
    if (!substituted)
        list.append(appended);
    return list;
}

// A launch's reasons for a failure, and a late failure of the program it
// started, come from the line of the launch, before or after its fixed warning.
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

// Whether text begins with prefix (ASCII), letters compared without case,
// as the 8-bit command line was compared: no other letter folds to one of it.
bool beginsWithNoCase(const QString &text, const char *prefix)
{
    for (int i = 0; prefix[i] != '\0'; ++i) {
        if (i >= text.size() || text.at(i).unicode() > 0x7f)
            return false;
        const auto letter = static_cast<unsigned char>(text.at(i).unicode());
        if (std::tolower(letter) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

// Drops "-remote" when no browser window could take the remote call, so the
// browser starts anew instead.
void dropRemoteWithoutWindow(QStringList &args)
{
    bool remote = false;
    bool openUrl = false;
    int remotePosition = 0;
    for (int i = 0; i < args.size(); ++i) {
        if (beginsWithNoCase(args.at(i), kRemoteArgument)) {
            remote = true;
            remotePosition = i;
        } else if (beginsWithNoCase(args.at(i), kOpenUrlArgument)) {
            openUrl = true;
        }
    }
    if (remote && openUrl && !detail::BrowserWindowExists())
        args.removeAt(remotePosition);
}

std::uint32_t saturatingLast(std::uint32_t first, std::uint32_t length)
{
    const std::uint64_t last = std::uint64_t(first) + length - 1;
    return last > StringBase::npos ? StringBase::npos : static_cast<std::uint32_t>(last);
}

// Reads the preferences afresh at every launch: a look at the file and a
// lookup each, so every change, by this process or another, reaches the next launch.
ViewerChoice chosenViewer(const ViewerKind &kind)
{
    ViewerChoice choice;
    choice.useDefault = readFlag(kind.flagKey, kUseDefaultViewerDefault);
    if (choice.useDefault)
        return choice;
    StringBase path;
    StringList args;
    choice.located = locateViewer(kind, path, args);
    choice.program = programFromPath(path);
    for (const StringBase &arg : args)
        choice.arguments.append(Utility::PortStringToQString(arg));
    return choice;
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

bool BrowserWindowExists()
{
    if (Port_Env::IsNt())
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
    return kOk;
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
    const ViewerChoice choice = chosenViewer(kPdfViewer);
    if (choice.useDefault) {
        Gui::Wisp::HelpManager *manager = Gui::Wisp::HelpManager::getInstance();
        if (!manager)
            return kOk;
        if (manager->runPDFReader(QDir::toNativeSeparators(pdf)))
            return kOk;
        issueWarning(kDefaultPdfViewerFailed);
        return kFailed;
    }

    if (choice.located == kFailed) {
        issueWarning(kNoUserPdfViewer);
        return kFailed;
    }
    const QString argument = fileAsArgument(pdf);
    const QStringList arguments = buildArguments(choice.arguments, QDir::toNativeSeparators(argument), argument);
    // Made once, not at every launch: launches run on the host's GUI thread.
    static const Port_MsgManData channel = launchChannel(kUserPdfViewerFailed);
    if (startUserProgram(choice.program, arguments, channel, pdf))
        return kOk;
    issueWarning(kUserPdfViewerFailed);
    return kFailed;
}

unsigned int UserSettings::RunWebBrowser(const StringBase &url)
{
    const QString target = Utility::PortStringToQString(url);
    const ViewerChoice choice = chosenViewer(kWebBrowser);
    if (choice.useDefault) {
        Gui::Wisp::HelpManager *manager = Gui::Wisp::HelpManager::getInstance();
        if (!manager)
            return kOk;
        if (manager->runWebBrowser(target))
            return kOk;
        issueWarning(kDefaultWebBrowserFailed);
        return kFailed;
    }

    if (choice.located == kFailed) {
        issueWarning(kNoUserWebBrowser);
        return kFailed;
    }
    // Made once, not at every launch: launches run on the host's GUI thread.
    static const Port_MsgManData channel = launchChannel(kUserWebBrowserFailed);
    if (const char *reason = refusalOf(target)) {
        channel.issueWarning("Refusing to open '%s' with the user-defined web browser: %s",
                             target.toUtf8().constData(), reason);
        issueWarning(kUserWebBrowserFailed);
        return kFailed;
    }
    QStringList args = choice.arguments;
    if (!Port_Env::IsNt())
        dropRemoteWithoutWindow(args);
    if (startUserProgram(choice.program, buildArguments(args, target, target), channel, target))
        return kOk;
    issueWarning(kUserWebBrowserFailed);
    return kFailed;
}

} // namespace Kel
