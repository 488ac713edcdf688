// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Kel::ViewerCommand: what a viewer or browser command line starts for a file or URL, or what keeps it from starting.
 */
#pragma once

#include <kel_guiutilities_export.h>

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

namespace Kel {

/**
 * A user-defined viewer or browser command line, read exactly as
 * UserSettings::RunPDFViewer and UserSettings::RunWebBrowser read the stored
 * one.
 *
 * It tells the program and the arguments a launch hands on for a target, and
 * what keeps the line from starting its program as meant. The launches
 * themselves, kel-settings and a settings page that shows what would start as
 * the user types (Kel::ExternalProgramsPage) all ask this one class.
 *
 * Making one looks the program up (the absolute entries of PATH for a bare
 * name) and at its file; it reads no preference and starts nothing.
 *
 * @code
 * const Kel::ViewerCommand command(Kel::ViewerCommand::PdfViewer, lineEdit->text(), QStringLiteral("/tmp/a.pdf"));
 * for (Kel::ViewerCommand::Problem problem : command.problems())
 *     qInfo() << command.describe(problem);
 * @endcode
 *
 * @threads Any thread; an object is read-only once made.
 * @since 1.19
 */
class KEL_GUIUTILITIES_EXPORT ViewerCommand
{
public:
    /** Which program the command line is for. */
    enum Viewer {
        PdfViewer, ///< a PDF viewer: the target is a file
        WebBrowser ///< a web browser: the target is a URL
    };

    /** What keeps a command line from starting its program as meant, in the order problems() lists them. */
    enum Problem {
        UnbalancedQuote, ///< a double quote has no partner: the program's name is cut wrongly
        NoProgram,       ///< nothing stands before the first blank
        ProgramNotFound, ///< a bare name in no absolute PATH folder, or a path that does not exist
        NotExecutable,   ///< there, but not a file that can be run
        QuotedArgument,  ///< quote marks would reach the program around the file or URL
        TargetRefused,   ///< a URL that is empty or begins with '-', which a browser would read as an option
        RelativeProgram, ///< a relative path with a folder: the host's working folder decides what it names
        BatchFile,       ///< a Windows batch file, never started: cmd.exe would read the file or URL as commands
    };

    /**
     * Reads @p commandLine as a launch of @p viewer for @p target would.
     *
     * @param viewer which program the line is for
     * @param commandLine the command line: a program path (in double quotes
     *        when it holds blanks), then blank-separated arguments in which
     *        "%1" stands for the target
     * @param target the file or URL to open, such as a sample one to show
     * @blocking One file-status check per entry of PATH for a bare name, and
     *           one for the program's file.
     */
    ViewerCommand(Viewer viewer, const QString &commandLine, const QString &target);

    /** @return the program as the launcher is given it: a quoted path without its quotes, a bare name as written */
    QString program() const { return m_program; }
    /** @return what runs: the path itself, or what the lookup found for a bare name; empty when there is nothing to run */
    QString programPath() const { return m_programPath; }
    /**
     * @return exactly what the program receives: the target in place of every
     *         "%1" (a file with the platform's separators), or appended when
     *         no argument holds "%1"; a file whose name begins with '-' as
     *         "./-name"
     */
    QStringList arguments() const { return m_arguments; }
    /**
     * @return the position in arguments() of the "-remote" that a launch drops
     *         when no browser window can take the remote call; -1 when there is none
     */
    int remoteArgument() const { return m_remoteArgument; }

    /** @return what keeps the line from starting its program as meant; empty when it starts as written */
    QList<Problem> problems() const { return m_problems; }
    /**
     * A problem in words, for the user.
     *
     * @param problem the problem
     * @return a sentence naming the program or the viewer where that helps
     */
    QString describe(Problem problem) const;

private:
    Viewer m_viewer;
    QString m_target;
    QString m_program;
    QString m_programPath;
    QStringList m_arguments;
    int m_remoteArgument = -1;
    QList<Problem> m_problems;
};

} // namespace Kel
