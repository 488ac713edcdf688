// Checks a viewer or browser command line as the library will read it: the program must exist, quotes must pair and stay out of the arguments.
#include "ViewerCommandCheck.h"

#include "Messages.h"
#include "PreferenceStore.h"

#include <Gui/Wisp/Settings.h>
#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QLatin1String>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>

#include <optional>
#include <vector>

namespace KelSettings {

namespace {

namespace Table = Kel::PreferenceTable;
using Kel::UserSettings;

constexpr char Placeholder[] = "%1";
constexpr QLatin1Char DoubleQuote('"');
constexpr QLatin1Char SingleQuote('\'');

struct ViewerKind
{
    Table::KeyIndex commandKey;
    unsigned int (*setUseDefault)(bool);
    unsigned int (*setCommandLine)(const Port::StringBase &);
    unsigned int (*locate)(Port::StringBase &, std::vector<Port::StringBase> &);
    const char *what;    // the viewer, in messages
    const char *sample;  // what the warning shows it opening
};

const ViewerKind Viewers[] = {
    {Table::PDFViewer, &UserSettings::SetUseDefaultPDFViewer, &UserSettings::SetPDFViewerPath,
     &UserSettings::GetPDFViewerPath, "PDF viewer", "manual.pdf"},
    {Table::WebBrowser, &UserSettings::SetUseDefaultWebBrowser, &UserSettings::SetWebBrowserPath,
     &UserSettings::GetWebBrowserPath, "web browser", "https://example.com/"},
};

const ViewerKind &viewerOf(const Preference &preference)
{
    return preference.index == Viewers[0].commandKey ? Viewers[0] : Viewers[1];
}

struct ViewerStart
{
    QString program;  // as the library cuts it: a quoted path keeps its quotes
    QStringList arguments;
};

// Points the store at a scratch folder for its lifetime and back after.
class ScratchStore
{
public:
    ScratchStore() { Gui::Wisp::Settings::setStoreDirectory(m_folder.path()); }
    ~ScratchStore() { useStoreDirectory(chosenStoreDirectory()); }
    ScratchStore(const ScratchStore &) = delete;
    ScratchStore &operator=(const ScratchStore &) = delete;

    bool isValid() const { return m_folder.isValid(); }

private:
    QTemporaryDir m_folder;
};

// Only the library knows how it cuts a command line; asking it, on a scratch
// store that the user's never sees, keeps the tool's reading its own.
std::optional<ViewerStart> libraryReading(const ViewerKind &viewer, const QString &commandLine)
{
    ViewerStart start;
    const QuietChannel quiet;
    const ScratchStore scratch;
    if (!scratch.isValid())
        return std::nullopt;
    viewer.setUseDefault(false);
    viewer.setCommandLine(Kel::Utility::QStringToPortString(commandLine));
    Port::StringBase path;
    std::vector<Port::StringBase> args;
    viewer.locate(path, args);
    start.program = Kel::Utility::PortStringToQString(path);
    for (const Port::StringBase &arg : args)
        start.arguments << Kel::Utility::PortStringToQString(arg);
    return start;
}

QString unquoted(const QString &program)
{
    if (program.size() >= 2 && program.startsWith(DoubleQuote) && program.endsWith(DoubleQuote))
        return program.mid(1, program.size() - 2);
    return program;
}

QString shown(const QString &text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

bool isPath(const QString &program)
{
    return program.contains(QLatin1Char('/')) || program.contains(QDir::separator());
}

// Empty when the program would start; else why not.
QString programProblem(const QString &program)
{
    if (program.isEmpty())
        return QStringLiteral("there is no program to start");
    if (!isPath(program)) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            return QStringLiteral("the program ") + shown(program) + QStringLiteral(" is not found on PATH");
        return QString();
    }
    const QFileInfo file(program);
    if (!file.exists())
        return QStringLiteral("the program ") + shown(program) + QStringLiteral(" does not exist");
    if (!file.isFile() || !file.isExecutable())
        return QStringLiteral("the program ") + shown(program) + QStringLiteral(" is not an executable file");
    return QString();
}

bool holdsQuoteMarks(const QString &text)
{
    return text.contains(DoubleQuote) || text.contains(SingleQuote);
}

// The arguments as the viewer receives them when it opens sample: "%1"
// replaced, or sample appended when no argument holds "%1".
QStringList receivedArguments(const QStringList &arguments, const QString &sample)
{
    const QString placeholder = QLatin1String(Placeholder);
    QStringList received;
    bool substituted = false;
    for (QString argument : arguments) {
        if (argument.contains(placeholder)) {
            argument.replace(placeholder, sample);
            substituted = true;
        }
        received << argument;
    }
    if (!substituted)
        received << sample;
    return received;
}

QString startedText(const ViewerKind &viewer, const ViewerStart &start)
{
    const QString sample = QLatin1String(viewer.sample);
    QStringList arguments;
    for (const QString &argument : receivedArguments(start.arguments, sample))
        arguments << shown(argument);
    return QStringLiteral("opening ") + sample + QStringLiteral(", the ") + QLatin1String(viewer.what)
           + QStringLiteral(" would start ") + shown(unquoted(start.program)) + QStringLiteral(" with the arguments ")
           + arguments.join(QLatin1Char(' '));
}

} // namespace

ViewerCommandCheck checkViewerCommand(const Preference &preference, const QString &commandLine)
{
    const ViewerKind &viewer = viewerOf(preference);
    ViewerCommandCheck check;
    const std::optional<ViewerStart> reading = libraryReading(viewer, commandLine);
    if (!reading) {
        check.problems << QStringLiteral("no scratch folder to try the command line in, so it is not checked");
        return check;
    }
    const ViewerStart &start = *reading;
    const bool unbalanced = commandLine.count(DoubleQuote) % 2 != 0;
    if (unbalanced)
        check.problems << QStringLiteral("a double quote has no partner, so the program's name is cut wrongly");
    const QString problem = programProblem(unquoted(start.program));
    if (!problem.isEmpty())
        check.problems << problem;
    bool quotedArgument = false;
    for (const QString &argument : start.arguments)
        quotedArgument = quotedArgument || holdsQuoteMarks(argument);
    if (quotedArgument && !unbalanced)
        check.problems << QStringLiteral("quote marks reach the ") + QLatin1String(viewer.what)
                              + QStringLiteral(" as part of its arguments: a file or URL arrives as one argument "
                                               "whatever it holds, so write %1 without quotes");
    check.started = startedText(viewer, start);
    return check;
}

} // namespace KelSettings
