// Port::Launcher: program lookup, the messages of a failed start and the delivery of late-failure reports.
#include <Port/Launcher.h>

#include "LauncherPlatform.h"
#include "ProgramLookup.h"

#include <QtCore/QByteArray>
#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QMetaObject>

#include <algorithm>
#include <cerrno>

namespace Port {

namespace {

constexpr char kNoProgram[] = "no program given";
constexpr char kNotOnPath[] = "not found in the absolute entries of PATH";

QByteArray displayName(const QString &program)
{
    return QDir::toNativeSeparators(program).toUtf8();
}

bool isPath(const QString &program)
{
    return program.contains(QLatin1Char('/')) || program.contains(QDir::separator());
}

bool isBareName(const QString &program)
{
    return !program.isEmpty() && !isPath(program);
}

// A path stays as it is, never narrowed to 8 bits; a bare name is looked up.
// Empty when there is nothing to start.
QString resolve(const QString &program)
{
    return isBareName(program) ? detail::rememberedProgramPath(program) : program;
}

// The program is not there, or no longer one that can run.
bool meansProgramGone(int error)
{
    return error == ENOENT || error == ENOTDIR || error == EACCES || error == ENOEXEC;
}

void warnNotStarted(const Port_MsgManData &channel, const QString &program, const QString &subject, const char *why)
{
    channel.issueWarning("Could not start '%s' for '%s': %s", displayName(program).constData(),
                         subject.toUtf8().constData(), why);
}

} // namespace

bool Launcher::start(const CommandLine &command, const Port_MsgManData &channel, const QString &subject)
{
    QString program = resolve(command.program());
    if (program.isEmpty()) {
        warnNotStarted(channel, command.program(), subject, command.program().isEmpty() ? kNoProgram : kNotOnPath);
        return false;
    }
    int error = detail::spawnDetached(program, command.arguments(), detail::LateFailureReport{channel, program, subject});
    // A program remembered for a bare name may have been removed or moved
    // since: it is looked up once more, as a shell does.
    if (error != 0 && isBareName(command.program()) && meansProgramGone(error)) {
        detail::forgetProgramPath(command.program());
        const QString found = resolve(command.program());
        if (!found.isEmpty() && found != program) {
            program = found;
            error = detail::spawnDetached(program, command.arguments(), detail::LateFailureReport{channel, program, subject});
        }
    }
    if (error == 0)
        return true;
    warnNotStarted(channel, program, subject, qt_error_string(error).toUtf8().constData());
    return false;
}

QString Launcher::programPath(const QString &name)
{
    return isBareName(name) ? detail::rememberedProgramPath(name) : QString();
}

Launcher::RunResult Launcher::run(const CommandLine &command, int timeoutMs)
{
    const QString program = resolve(command.program());
    if (program.isEmpty())
        return RunResult{Process::NotFound, -1};
    return detail::runToEnd(program, command.arguments(), std::max(timeoutMs, 0));
}

void detail::reportLateFailure(const LateFailureReport &report, const ProgramEnd &end)
{
    const auto issue = [report, end] {
        const QByteArray program = displayName(report.program);
        const QByteArray subject = report.subject.toUtf8();
        const int seconds = Launcher::LateFailureWindowMs / 1000;
        if (end.bySignal)
            report.channel.issueWarning("'%s' for '%s' was ended by signal %d within %d s of its start",
                                        program.constData(), subject.constData(), end.code, seconds);
        else
            report.channel.issueWarning("'%s' for '%s' ended with exit status %d within %d s of its start",
                                        program.constData(), subject.constData(), end.code, seconds);
    };
    // The host shows warnings on its GUI thread; the reaper is not that thread.
    if (QCoreApplication *application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, issue, Qt::QueuedConnection);
    else
        issue();
}

} // namespace Port
