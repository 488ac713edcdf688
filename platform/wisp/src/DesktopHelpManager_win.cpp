// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// DesktopHelpManager on Windows: the program registered for PDF files or web links, handed to Port::Launcher.
#include "DesktopOpener.h"
#include "WispLogging.h"

#include <Port/CommandLine.h>
#include <Port/Launcher.h>

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

namespace Gui {
namespace Wisp {
namespace DesktopOpener {

namespace {

constexpr wchar_t OpenVerb[] = L"open";
constexpr wchar_t PdfAssociation[] = L".pdf";
constexpr wchar_t WebAssociation[] = L"http";
// The placeholder this family writes; registrations also use "%L" and "%l".
constexpr wchar_t Placeholder[] = L"%1";
// "All remaining arguments": there are none besides the target.
constexpr wchar_t RestPlaceholder[] = L"%*";

const wchar_t *associationOf(Kind kind)
{
    return kind == Kind::PdfFile ? PdfAssociation : WebAssociation;
}

// The registered command line, such as "C:\Viewer\viewer.exe" "%1"; empty when none.
std::wstring registeredCommand(Kind kind)
{
    DWORD length = 0;
    if (AssocQueryStringW(ASSOCF_NONE, ASSOCSTR_COMMAND, associationOf(kind), OpenVerb, nullptr, &length) != S_FALSE
        || length == 0)
        return std::wstring();
    std::wstring command(length, L'\0');
    if (FAILED(AssocQueryStringW(ASSOCF_NONE, ASSOCSTR_COMMAND, associationOf(kind), OpenVerb, &command[0], &length)))
        return std::wstring();
    command.resize(length > 0 ? length - 1 : 0); // length counts the terminating NUL
    return command;
}

// True for the letter after '%' in "%1", "%L" and "%l".
bool isPlaceholderLetter(wchar_t c)
{
    return c == L'1' || c == L'L' || c == L'l';
}

// Replaces every placeholder in text in one pass, so a value that itself
// holds "%1" is never substituted again; true when there was one.
bool substitutePlaceholders(std::wstring &text, const std::wstring &value)
{
    std::wstring result;
    bool found = false;
    for (size_t i = 0; i < text.size();) {
        if (text[i] == L'%' && i + 1 < text.size() && isPlaceholderLetter(text[i + 1])) {
            result += value;
            i += 2;
            found = true;
        } else {
            result += text[i++];
        }
    }
    text.swap(result);
    return found;
}

// The registered command split the way the program itself will split it,
// with the target in place of the placeholder (or appended when it has none).
std::vector<std::wstring> commandArguments(const std::wstring &command, const std::wstring &target)
{
    int count = 0;
    LPWSTR *split = CommandLineToArgvW(command.c_str(), &count);
    if (!split)
        return {};
    std::vector<std::wstring> arguments;
    bool placed = false;
    for (int i = 0; i < count; ++i) {
        std::wstring argument(split[i]);
        if (argument == RestPlaceholder)
            continue;
        if (i > 0 && substitutePlaceholders(argument, target))
            placed = true;
        arguments.push_back(argument);
    }
    LocalFree(split);
    if (!arguments.empty() && !placed)
        arguments.push_back(target);
    return arguments;
}

// A registration normally names its program by full path; a bare name is
// taken from the system folder only, never from the working directory.
std::wstring programPath(const std::wstring &program)
{
    if (!PathIsRelativeW(program.c_str()))
        return program;
    wchar_t systemFolder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(systemFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::wstring();
    // The launcher adds ".exe" or ".com" to a path without extension, as here "notepad".
    const std::wstring candidate =
        Port::Launcher::programPath(QString::fromStdWString(std::wstring(systemFolder) + L'\\' + program)).toStdWString();
    return GetFileAttributesW(candidate.c_str()) == INVALID_FILE_ATTRIBUTES ? std::wstring() : candidate;
}

} // namespace

QString defaultCommand(Kind kind)
{
    std::wstring command = registeredCommand(kind);
    if (command.empty())
        return QString();
    if (!substitutePlaceholders(command, Placeholder))
        command += L" \"%1\"";
    return QString::fromStdWString(command);
}

StartOutcome start(Kind kind, const QString &target, const Port_MsgManData &channel)
{
    const std::wstring command = registeredCommand(kind);
    if (command.empty())
        return StartOutcome::NoOpener;
    const std::vector<std::wstring> arguments = commandArguments(command, target.toStdWString());
    if (arguments.empty())
        return StartOutcome::NoOpener;
    const std::wstring program = programPath(arguments.front());
    if (program.empty()) {
        qCWarning(lcLaunch, "Could not start '%s' for '%s': not found in the system folder",
                  QString::fromStdWString(arguments.front()).toUtf8().constData(), target.toUtf8().constData());
        return StartOutcome::Failed;
    }
    QStringList rest;
    for (std::size_t i = 1; i < arguments.size(); ++i)
        rest << QString::fromStdWString(arguments[i]);
    return Port::Launcher::start(Port::CommandLine(QString::fromStdWString(program), rest), channel, target)
               ? StartOutcome::Started
               : StartOutcome::Failed;
}

} // namespace DesktopOpener
} // namespace Wisp
} // namespace Gui
