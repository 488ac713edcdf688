// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Viewer and browser command lines with what the library's check says of them: one table for every test of that check.
#pragma once

#include <Kel_ViewerCommand.h>

namespace KelTest {

// In a command line, <rec> stands for a copy of kel_argrecorder in a folder
// whose name holds a blank and <plain> for a file that is not a program; in
// the arguments, <target> stands for the file or URL opened, and the
// arguments are separated by single blanks.
struct CommandLineCase
{
    const char *name;
    const char *commandLine;
    bool starts;
    Kel::ViewerCommand::Problem problem;  // one of those the check names; read only when it does not start
    const char *arguments;                // what the program receives, when it starts
};

inline constexpr char RecorderToken[] = "<rec>";
inline constexpr char PlainFileToken[] = "<plain>";
inline constexpr char TargetToken[] = "<target>";

inline constexpr CommandLineCase CommandLineCases[] = {
    {"quoted program, arguments and %1", "\"<rec>\" --page 2 %1", true, Kel::ViewerCommand::NoProgram, "--page 2 <target>"},
    {"%1 inside an argument", "\"<rec>\" --file=%1", true, Kel::ViewerCommand::NoProgram, "--file=<target>"},
    {"no %1: the target is appended", "\"<rec>\" --new", true, Kel::ViewerCommand::NoProgram, "--new <target>"},
    {"program on PATH", "kel_argrecorder --new %1", true, Kel::ViewerCommand::NoProgram, "--new <target>"},
    {"empty", "", false, Kel::ViewerCommand::NoProgram, nullptr},
    {"only blanks", "   ", false, Kel::ViewerCommand::NoProgram, nullptr},
    {"program not on PATH", "no-such-viewer-4711 %1", false, Kel::ViewerCommand::ProgramNotFound, nullptr},
    {"blank in an unquoted path", "<rec> %1", false, Kel::ViewerCommand::ProgramNotFound, nullptr},
    {"not a program", "\"<plain>\" %1", false, Kel::ViewerCommand::NotExecutable, nullptr},
    {"unbalanced quote", "\"<rec> --new %1", false, Kel::ViewerCommand::UnbalancedQuote, nullptr},
    {"double-quoted %1", "\"<rec>\" \"%1\"", false, Kel::ViewerCommand::QuotedArgument, nullptr},
    {"single-quoted %1", "\"<rec>\" '%1'", false, Kel::ViewerCommand::QuotedArgument, nullptr},
};

} // namespace KelTest
