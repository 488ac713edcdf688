// Port::CommandLine: a program and its argument list, handed to the program as they are.
#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace Port {

// What Port::Launcher starts. Nothing is ever joined into one string and split
// again by a shell: each argument reaches the program as one argument, byte
// for byte on UNIX-like systems and by the C runtime's quoting rules on Windows.
class CommandLine
{
public:
    CommandLine() = default;
    explicit CommandLine(const QString &program, const QStringList &arguments = QStringList())
        : m_program(program), m_arguments(arguments)
    {
    }

    // A path, or a bare name looked up in the absolute entries of PATH.
    const QString &program() const { return m_program; }
    const QStringList &arguments() const { return m_arguments; }

private:
    QString m_program;
    QStringList m_arguments;
};

} // namespace Port
