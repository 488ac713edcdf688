// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel_argrecorder: a stand-in for a viewer or opener that records the arguments it receives, byte for byte.
//
// Environment:
//   KEL_ARGRECORDER_OUT       file the arguments are appended to, each as "<length>:<bytes>\n"
//   KEL_ARGRECORDER_ENV       a variable whose "NAME=value" is recorded after the arguments ("NAME" when unset)
//   KEL_ARGRECORDER_SLEEP_MS  wait this long before recording (a program that keeps running)
//   KEL_ARGRECORDER_EXIT      exit code, or "abort" to end by a signal
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#  include <windows.h>
#  include <shellapi.h>
#endif

namespace {

constexpr char OutVariable[] = "KEL_ARGRECORDER_OUT";
constexpr char EnvVariable[] = "KEL_ARGRECORDER_ENV";
constexpr char SleepVariable[] = "KEL_ARGRECORDER_SLEEP_MS";
constexpr char ExitVariable[] = "KEL_ARGRECORDER_EXIT";
constexpr char AbortSetting[] = "abort";
// Told apart from any code a test asks for: the record could not be written.
constexpr int RecordFailedCode = 125;

#if defined(_WIN32)
std::string utf8(const wchar_t *text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size_t(size) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

// The arguments in UTF-8 as the program's command line holds them: main's argv
// has them in the ANSI code page, which loses most of the world's letters.
std::vector<std::string> arguments(int, char **)
{
    int count = 0;
    wchar_t **split = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> out;
    for (int i = 1; split && i < count; ++i)
        out.push_back(utf8(split[i]));
    LocalFree(split);
    return out;
}

// One write per run, so a reader polling the file sees whole runs as they
// land; the file's name is read again in UTF-16. Append-only access puts each
// write at the end, yet under wine a record went missing when many recorders
// wrote at once: a lock on a byte far past any record lets one recorder write
// at a time without keeping readers from the records.
bool appendRecords(const char *, const std::string &records)
{
    const std::wstring name(OutVariable, OutVariable + std::strlen(OutVariable));
    const wchar_t *path = _wgetenv(name.c_str());
    if (!path)
        return false;
    const HANDLE file = CreateFileW(path, FILE_APPEND_DATA | FILE_READ_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    OVERLAPPED turn = {};
    turn.OffsetHigh = 0x7FFFFFFF;
    bool ok = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn);
    DWORD written = 0;
    ok = ok && WriteFile(file, records.data(), DWORD(records.size()), &written, nullptr)
         && written == DWORD(records.size());
    UnlockFileEx(file, 0, 1, 0, &turn);
    return CloseHandle(file) && ok;
}
#else
std::vector<std::string> arguments(int argc, char **argv)
{
    return std::vector<std::string>(argv + 1, argv + argc);
}

// One write per run, so a reader polling the file sees whole runs as they
// land; O_APPEND puts each whole at the end even when several write at once.
bool appendRecords(const char *path, const std::string &records)
{
    std::FILE *file = std::fopen(path, "ab");
    if (!file)
        return false;
    std::setvbuf(file, nullptr, _IOFBF, records.size() + 1);
    const bool written = std::fwrite(records.data(), 1, records.size(), file) == records.size();
    return std::fclose(file) == 0 && written;
}
#endif

void appendRecord(std::string &records, const std::string &text)
{
    records += std::to_string(text.size());
    records += ':';
    records += text;
    records += '\n';
}

std::string recordsOf(const std::vector<std::string> &arguments)
{
    std::string records;
    for (const std::string &argument : arguments)
        appendRecord(records, argument);
    if (const char *name = std::getenv(EnvVariable)) {
        const char *value = std::getenv(name);
        appendRecord(records, value ? std::string(name) + '=' + value : std::string(name));
    }
    return records;
}

} // namespace

int main(int argc, char **argv)
{
    if (const char *sleepMs = std::getenv(SleepVariable))
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(sleepMs)));
    const char *out = std::getenv(OutVariable);
    if (out && *out && !appendRecords(out, recordsOf(arguments(argc, argv))))
        return RecordFailedCode;
    const char *exitSetting = std::getenv(ExitVariable);
    if (exitSetting && std::strcmp(exitSetting, AbortSetting) == 0)
        std::abort();
    return exitSetting ? std::atoi(exitSetting) : 0;
}
