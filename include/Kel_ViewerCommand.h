// Kel::ViewerCommand: what a viewer or browser command line starts for a file or URL, or what keeps it from starting.
#pragma once

#include <kel_guiutilities_export.h>

#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

namespace Kel {

// A user-defined command line read exactly as RunPDFViewer and RunWebBrowser
// read the stored one: the program and the arguments a launch hands on for a
// target, and what keeps the line from starting its program as meant. The
// launches themselves, kel-settings and a settings page that shows what would
// start as the user types all ask this one class.
//
// Making one looks the program up (the absolute entries of PATH for a bare
// name) and at its file; it reads no preference and starts nothing.
class KEL_GUIUTILITIES_EXPORT ViewerCommand
{
public:
    enum Viewer { PdfViewer, WebBrowser };

    // In the order problems() lists them.
    enum Problem {
        UnbalancedQuote,  // a double quote has no partner: the program's name is cut wrongly
        NoProgram,        // nothing stands before the first blank
        ProgramNotFound,  // a bare name in no absolute PATH folder, or a path that does not exist
        NotExecutable,    // there, but not a file that can be run
        QuotedArgument,   // quote marks reach the program inside its arguments
        TargetRefused,    // a URL that is empty or begins with '-', which a browser would read as an option
    };

    // target is the file or URL to open, such as a sample one to show.
    ViewerCommand(Viewer viewer, const QString &commandLine, const QString &target);

    // The program as the launcher is given it: a quoted path without its
    // quotes, a bare name as written.
    QString program() const { return m_program; }
    // What runs: the path itself, or what the lookup found for a bare name;
    // empty when there is nothing to run.
    QString programPath() const { return m_programPath; }
    // Exactly what the program receives: target in place of every "%1" (a
    // file with the platform's separators), or appended when no argument
    // holds "%1"; a file whose name begins with '-' as "./-name".
    QStringList arguments() const { return m_arguments; }
    // The position in arguments() of the "-remote" that a launch drops when
    // no browser window can take the remote call; -1 when there is none.
    int remoteArgument() const { return m_remoteArgument; }

    // Empty when the line starts its program as written.
    QList<Problem> problems() const { return m_problems; }
    // A problem in words, naming the program or the viewer where that helps.
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
