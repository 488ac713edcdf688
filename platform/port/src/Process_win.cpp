// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port::Process on Windows: the program lookup in the absolute entries of PATH, and the extensions a path may lack.
#include "PortText.h"
#include "ProcessPlatform.h"
#include "WideText_win.h"

#include <Port/Env.h>

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <windows.h>

#include <string>

namespace Port::detail {

namespace {

// Extensions CreateProcessW can start directly, then the batch files a shell
// would run for the name: found so that the launcher refuses them by name
// rather than start a program of the same name from a later folder.
const wchar_t *const kProgramExtensions[] = {L".exe", L".com", L".bat", L".cmd"};

bool isFile(const std::wstring &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "C:\dir" or "\\server\share": never a drive-relative or working-directory entry.
bool isAbsoluteDirectory(const QString &dir)
{
    return (dir.size() >= 3 && dir.at(1) == QLatin1Char(':') && (dir.at(2) == QLatin1Char('\\') || dir.at(2) == QLatin1Char('/')))
        || dir.startsWith(QLatin1String("\\\\"));
}

bool hasExtension(const std::wstring &name)
{
    const std::wstring::size_type dot = name.find_last_of(L'.');
    return dot != std::wstring::npos && name.find_first_of(L"\\/", dot) == std::wstring::npos;
}

// The file base names: itself when it has an extension (or, for a path,
// whenever it is a file), else the first of base with a program's extension;
// empty when there is none. A bare name found in PATH needs an extension, as
// for a shell: a folder of scripts without one must not hide a program.
std::wstring programFile(const std::wstring &base, bool asWritten)
{
    if ((asWritten || hasExtension(base)) && isFile(base))
        return base;
    if (hasExtension(base))
        return std::wstring();
    for (const wchar_t *extension : kProgramExtensions) {
        if (isFile(base + extension))
            return base + extension;
    }
    return std::wstring();
}

// The first candidate for name inside dir that is a file.
std::wstring findInDirectory(const std::wstring &dir, const std::wstring &name)
{
    std::wstring base = dir;
    if (base.back() != L'\\' && base.back() != L'/')
        base += L'\\';
    return programFile(base + name, false);
}

QStringList pathEntries()
{
    const std::optional<StringBase> path = Port_Env::GetEnv("PATH");
    return path ? fromPortText(path->c_str()).split(QLatin1Char(';')) : QStringList();
}

} // namespace

QString completedProgramPath(const QString &path)
{
    const std::wstring found = programFile(path.toStdWString(), true);
    return found.empty() ? path : QString::fromStdWString(found);
}

StringBase findProgram(const char *name)
{
    const std::wstring wideName = toWide(name);
    if (wideName.find_first_of(L"\\/") != std::wstring::npos)
        return StringBase(toPortText(completedProgramPath(fromPortText(name))).constData());
    // Walk PATH ourselves rather than SearchPathW, which also looks in the
    // working directory where anyone may have planted a program.
    for (const QString &entry : pathEntries()) {
        QString dir = entry.trimmed();
        if (dir.size() >= 2 && dir.startsWith(QLatin1Char('"')) && dir.endsWith(QLatin1Char('"')))
            dir = dir.mid(1, dir.size() - 2);
        if (!isAbsoluteDirectory(dir))
            continue;
        const std::wstring found = findInDirectory(dir.toStdWString(), wideName);
        if (!found.empty())
            return fromWide(found);
    }
    return StringBase();
}

} // namespace Port::detail
