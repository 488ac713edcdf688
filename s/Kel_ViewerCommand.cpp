// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Kel::ViewerCommand: the one reading of a user-defined command line, shared by the launches, kel-settings and settings pages.
#include <Kel_ViewerCommand.h>

#include "Kel_UserSettingsInternal.h"

#include <Kel_Utility.h>

#include <Port/Launcher.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

#include <cctype>
#include <vector>

namespace Kel {

namespace {

constexpr char kPlaceholder[] = "%1";
constexpr char kRemoteArgument[] = "-remote";
constexpr char kOpenUrlArgument[] = "openURL";
constexpr QLatin1Char kDoubleQuote('"');
constexpr QLatin1Char kSingleQuote('\'');
constexpr QLatin1Char kOptionMark('-');

// A quoted program path is how a path with blanks is written, but the quotes
// are not part of the program's name.
QString programFromPath(const Port::StringBase &path)
{
    QString program = Utility::PortStringToQString(path);
    if (program.size() >= 2 && program.startsWith(kDoubleQuote) && program.endsWith(kDoubleQuote))
        program = program.mid(1, program.size() - 2);
    return program;
}

// A file name that begins with '-' would reach the viewer as an option.
QString fileAsArgument(const QString &file)
{
    if (file.startsWith(kOptionMark))
        return QDir::toNativeSeparators(QStringLiteral("./")) + file;
    return file;
}

QStringList buildArguments(const QStringList &args, const QString &substitute, const QString &appended)
{
    const QLatin1String placeholder(kPlaceholder);
    QStringList list;
    list.reserve(args.size() + 1);
    bool substituted = false;
    for (QString text : args) {
        if (text.indexOf(placeholder, 0, Qt::CaseSensitive) != -1) {
            text.replace(placeholder, substitute, Qt::CaseSensitive);
            substituted = true;
        }
        list.append(text);
    }
    if (!substituted)
        list.append(appended);
    return list;
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

// The last "-remote" of a command line in the remote-control form (with an
// "openURL" too), as the arguments stand before "%1" is replaced; -1 otherwise.
int remotePosition(const QStringList &args)
{
    int remote = -1;
    bool openUrl = false;
    for (int i = 0; i < args.size(); ++i) {
        if (beginsWithNoCase(args.at(i), kRemoteArgument))
            remote = i;
        else if (beginsWithNoCase(args.at(i), kOpenUrlArgument))
            openUrl = true;
    }
    return openUrl ? remote : -1;
}

// Arguments are not quoted, so quote marks next to "%1" reach the program
// around the file or URL; elsewhere they are ordinary characters of an option.
bool quotesAroundTarget(const QStringList &args)
{
    for (const QString &arg : args) {
        if (arg.contains(QLatin1String(kPlaceholder)) && (arg.contains(kDoubleQuote) || arg.contains(kSingleQuote)))
            return true;
    }
    return false;
}

QString shown(const QString &text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

} // namespace

namespace detail {

CutCommand CutCommandLine(ViewerCommand::Viewer viewer, const QString &commandLine, const QString &target)
{
    Port::StringBase path;
    std::vector<Port::StringBase> split;
    SplitCommandLine(Utility::QStringToPortString(commandLine), path, split);
    CutCommand cut;
    cut.program = programFromPath(path);
    for (const Port::StringBase &arg : split)
        cut.written.append(Utility::PortStringToQString(arg));

    if (viewer == ViewerCommand::PdfViewer) {
        const QString file = fileAsArgument(target);
        cut.arguments = buildArguments(cut.written, QDir::toNativeSeparators(file), file);
    } else {
        cut.arguments = buildArguments(cut.written, target, target);
        // Windows NT has no remote-control browsers.
        if (!IsNt())
            cut.remoteArgument = remotePosition(cut.written);
        // An empty URL gives the browser nothing to open, and one that reaches
        // it as an option is the classic hole of URL openers.
        cut.targetRefused = target.isEmpty() || target.startsWith(kOptionMark);
    }
    return cut;
}

} // namespace detail

ViewerCommand::ViewerCommand(Viewer viewer, const QString &commandLine, const QString &target)
    : m_viewer(viewer), m_target(target)
{
    const detail::CutCommand cut = detail::CutCommandLine(viewer, commandLine, target);
    m_program = cut.program;
    m_arguments = cut.arguments;
    m_remoteArgument = cut.remoteArgument;
    m_programPath = Port::Launcher::programPath(m_program);

    const bool unbalanced = commandLine.count(kDoubleQuote) % 2 != 0;
    if (unbalanced)
        m_problems.append(UnbalancedQuote);
    // A relative path with a folder names a file by the folder the host
    // happens to be started from: whether it is found from here says nothing,
    // so it is reported for that alone. A bare name is looked up in PATH.
    const bool relative = QDir::isRelativePath(m_program) && QDir::fromNativeSeparators(m_program).contains(QLatin1Char('/'));
    const QFileInfo file(m_programPath);
    if (m_program.isEmpty())
        m_problems.append(NoProgram);
    else if (!relative && (m_programPath.isEmpty() || !file.exists()))
        m_problems.append(ProgramNotFound);
    else if (!relative && (!file.isFile() || !file.isExecutable()))
        m_problems.append(NotExecutable);
    // With a quote unpaired the arguments are cut wrongly anyway.
    if (!unbalanced && quotesAroundTarget(cut.written))
        m_problems.append(QuotedArgument);
    if (cut.targetRefused)
        m_problems.append(TargetRefused);
    if (relative)
        m_problems.append(RelativeProgram);
    if (Port::Launcher::refuses(m_programPath))
        m_problems.append(BatchFile);
}

QString ViewerCommand::describe(Problem problem) const
{
    const QString program = QStringLiteral("the program ") + shown(QDir::toNativeSeparators(m_program));
    switch (problem) {
    case UnbalancedQuote:
        return QStringLiteral("a double quote has no partner, so the program's name is cut wrongly");
    case NoProgram:
        return QStringLiteral("there is no program to start");
    case ProgramNotFound:
        // A bare name's lookup found nothing; a path names no file.
        return program + (m_programPath.isEmpty() ? QStringLiteral(" is not found in the absolute entries of PATH")
                                                  : QStringLiteral(" does not exist"));
    case NotExecutable:
        return program + QStringLiteral(" is not an executable file");
    case QuotedArgument:
        return QStringLiteral("quote marks reach the ")
               + (m_viewer == PdfViewer ? QStringLiteral("PDF viewer") : QStringLiteral("web browser"))
               + QStringLiteral(" as part of its arguments: a file or URL arrives as one argument whatever it "
                                "holds, so write %1 without quotes");
    case TargetRefused:
        return m_target.isEmpty() ? QStringLiteral("the URL is empty")
                                  : QStringLiteral("it begins with '-' and would be read as an option");
    case RelativeProgram:
        return program + QStringLiteral(" is a relative path, which names another file or none wherever the "
                                        "application is started from: give its absolute path");
    case BatchFile:
        return program + QStringLiteral(" is a batch file, which is not started: Windows would run it through "
                                        "cmd.exe, which reads characters such as & and | in a file name or URL "
                                        "as commands");
    }
    return QString();
}

} // namespace Kel
