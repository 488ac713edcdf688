// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The page's verdict on a command line: the library's own check, put in the page's translated words.
#include "ViewerVerdict.h"

#include <Kel_ExternalProgramsPage.h>
#include <Kel_ViewerCommand.h>

#include <QtCore/QDir>
#include <QtCore/QLocale>

namespace Kel {
namespace Widgets {

namespace {

// A problem the library names that the page has no words of its own for yet,
// in the library's words.
QString inLibrarysWords(const ViewerCommand &check, ViewerCommand::Problem problem)
{
    QString words = check.describe(problem);
    if (!words.isEmpty())
        words[0] = words.at(0).toUpper();
    return words + QLatin1Char('.');
}

QString inWords(const ViewerCommand &check, ViewerCommand::Problem problem, const QString &program)
{
    switch (problem) {
    case ViewerCommand::UnbalancedQuote:
        return ExternalProgramsPage::tr("A double quote has no partner, so the program's name is cut wrongly.");
    case ViewerCommand::NoProgram:
        return ExternalProgramsPage::tr("There is no program to start.");
    case ViewerCommand::ProgramNotFound:
        return ExternalProgramsPage::tr("The program %1 is not found.").arg(quoted(program));
    case ViewerCommand::NotExecutable:
        return ExternalProgramsPage::tr("The program %1 cannot be run: it is not an executable file.").arg(quoted(program));
    case ViewerCommand::QuotedArgument:
        return ExternalProgramsPage::tr("Quote marks would reach the program around the file or address; write %1 "
                                        "without quotes.")
            .arg(QStringLiteral("%1"));
    case ViewerCommand::TargetRefused:
        return ExternalProgramsPage::tr("The address is empty or begins with '-', so it is not opened.");
    case ViewerCommand::RelativeProgram:
        return ExternalProgramsPage::tr("The program %1 is a relative path, which depends on the folder the "
                                        "application is started from; give its absolute path.")
            .arg(quoted(program));
    case ViewerCommand::BatchFile:
        return ExternalProgramsPage::tr("The program %1 is a batch file, which is not started: Windows would read "
                                        "characters such as & in a file name or address as commands.")
            .arg(quoted(program));
    default:
        break;
    }
    return inLibrarysWords(check, problem);
}

} // namespace

QString quoted(const QString &text)
{
    return QLocale().quoteString(text);
}

Verdict checkCommandLine(ExternalProgram program, const QString &commandLine, const QString &target)
{
    const ViewerCommand check(program == ExternalProgram::PdfViewer ? ViewerCommand::PdfViewer : ViewerCommand::WebBrowser,
                              commandLine, target);
    Verdict verdict;
    verdict.program = check.program();
    verdict.programPath = check.programPath();
    verdict.arguments = check.arguments();
    const QString runs = check.programPath().isEmpty() ? check.program() : check.programPath();
    QStringList arguments;
    for (const QString &argument : verdict.arguments)
        arguments << quoted(argument);
    const QString starts = ExternalProgramsPage::tr("Starts %1 with %2.")
                               .arg(quoted(QDir::toNativeSeparators(runs)), arguments.join(QLatin1Char(' ')));
    QStringList problems;
    for (const ViewerCommand::Problem problem : check.problems())
        problems << inWords(check, problem, verdict.program);
    verdict.startable = problems.isEmpty();
    // What it would start helps to see what is wrong, once there is a program.
    if (!verdict.startable && !check.programPath().isEmpty())
        problems << ExternalProgramsPage::tr("As written, it would start %1 with %2.")
                        .arg(quoted(QDir::toNativeSeparators(runs)), arguments.join(QLatin1Char(' ')));
    verdict.text = verdict.startable ? starts : problems.join(QLatin1Char(' '));
    return verdict;
}

} // namespace Widgets
} // namespace Kel
