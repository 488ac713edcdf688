// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel_windowprobe: a stand-in for the browser-window probe on Windows that notes each run and answers as told.
//
// Beside the program, a file of its name with ".txt" for ".exe" holds two lines
// in UTF-8: the file each run appends a line to, and the exit status to end
// with, or "hang" to sleep 30 s and then end with 1 (a window exists).
#include <cstdlib>
#include <string>

#include <windows.h>

namespace {

constexpr char HangSetting[] = "hang";
constexpr DWORD HangMs = 30000;
constexpr int AnswerAfterHang = 1;
// Told apart from any status a test asks for: the orders could not be read.
constexpr int NoOrdersCode = 125;

std::wstring wide(const std::string &utf8)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(size_t(size > 0 ? size : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &out[0], size);
    return out;
}

std::string readOrders()
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    path.replace(path.size() - 3, 3, L"txt");
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    char buffer[4096];
    DWORD read = 0;
    const bool ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    return ok ? std::string(buffer, read) : std::string();
}

bool noteRun(const std::string &marker)
{
    const HANDLE file = CreateFileW(wide(marker).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, "ran\n", 4, &written, nullptr) && written == 4;
    return CloseHandle(file) && ok;
}

} // namespace

int main()
{
    const std::string orders = readOrders();
    const std::string::size_type lineEnd = orders.find('\n');
    if (lineEnd == std::string::npos || !noteRun(orders.substr(0, lineEnd)))
        return NoOrdersCode;
    const std::string exitSetting = orders.substr(lineEnd + 1, orders.find('\n', lineEnd + 1) - lineEnd - 1);
    if (exitSetting == HangSetting) {
        Sleep(HangMs);
        return AnswerAfterHang;
    }
    return std::atoi(exitSetting.c_str());
}
