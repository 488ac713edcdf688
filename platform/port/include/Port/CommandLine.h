// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Port::CommandLine: a program and its argument list, handed to the program as they are.
 */
#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace Port {

/**
 * A program and its arguments, what Port::Launcher starts.
 *
 * Nothing is ever joined into one string and split again by a shell: each
 * argument reaches the program as one argument, byte for byte on UNIX-like
 * systems and by the C runtime's quoting rules on Windows.
 *
 * A value type; a command line is never changed once made.
 *
 * @threads Any thread; a command line is read-only after construction.
 * @since 1.19
 */
class CommandLine
{
public:
    /** An empty command line: no program, no arguments. Launching it fails. */
    CommandLine() = default;
    /**
     * A command line of @p program and @p arguments.
     *
     * @param program a path, or a bare name that the launcher looks up in
     *        the absolute entries of PATH
     * @param arguments the arguments, each handed on as one argument
     */
    explicit CommandLine(const QString &program, const QStringList &arguments = QStringList())
        : m_program(program), m_arguments(arguments)
    {
    }

    /** @return the program: a path, or a bare name looked up in the absolute entries of PATH */
    const QString &program() const { return m_program; }
    /** @return the arguments, in the order the program receives them */
    const QStringList &arguments() const { return m_arguments; }

private:
    QString m_program;
    QStringList m_arguments;
};

} // namespace Port
