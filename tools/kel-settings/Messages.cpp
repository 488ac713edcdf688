// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Forwards the library's warnings and log lines to stderr with the tool's prefix, and counts warnings.
#include "Messages.h"

#include "Commands.h"
#include "Terminal.h"

#include <Port/MsgManData.h>

#include <QtCore/QByteArray>
#include <QtCore/QtGlobal>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

namespace KelSettings {

namespace {

constexpr char NoLabel[] = "";
constexpr char WarningLabel[] = "warning: ";
constexpr char ErrorLabel[] = "error: ";
constexpr char NoteLabel[] = "note: ";
constexpr char LibraryCategoryPrefix[] = "kel.";

std::atomic<unsigned long> g_warningCount{0};
std::atomic<bool> g_notesOnly{false};

// One write per line, so lines from other threads never interleave inside a line.
void writeErrorLine(const char *label, const QByteArray &text)
{
    writeToStream(stderr, QByteArray(ToolName) + ": " + label + text + '\n');
    std::fflush(stderr);
}

// The channel's texts often end in a newline of their own; the line adds one.
QByteArray withoutOneTrailingNewline(const std::string &text)
{
    QByteArray bytes(text.data(), static_cast<int>(text.size()));
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    return bytes;
}

void forwardChannelMessage(const Port_Message &message)
{
    const bool warning = message.severity == Port_Message::Warning;
    if (warning)
        ++g_warningCount;
    writeErrorLine(warning ? WarningLabel : NoLabel, withoutOneTrailingNewline(message.text));
}

// The library's own categories ("kel.settings", ...) say why something it
// was asked to do was not done: the command then did not do all of it.
bool isLibraryCategory(const QMessageLogContext &context)
{
    return context.category && std::strncmp(context.category, LibraryCategoryPrefix, sizeof LibraryCategoryPrefix - 1) == 0;
}

void forwardQtLogLine(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    const QByteArray bytes = streamBytes(text);
    if (type == QtWarningMsg && !g_notesOnly && isLibraryCategory(context))
        ++g_warningCount;
    if (type == QtWarningMsg)
        writeErrorLine(g_notesOnly ? NoteLabel : WarningLabel, bytes);
    else
        writeErrorLine(type == QtCriticalMsg || type == QtFatalMsg ? ErrorLabel : NoLabel, bytes);
}

} // namespace

void installMessageForwarding()
{
    Port_MsgManData::SetHandler(&forwardChannelMessage);
    qInstallMessageHandler(&forwardQtLogLine);
}

void printError(const QString &text)
{
    writeErrorLine(ErrorLabel, streamBytes(text));
}

void printWarning(const QString &text)
{
    writeErrorLine(WarningLabel, streamBytes(text));
}

void printNote(const QString &text)
{
    writeErrorLine(NoteLabel, streamBytes(text));
}

WarningWatch::WarningWatch() : m_startCount(g_warningCount.load()) {}

bool WarningWatch::warned() const
{
    return g_warningCount.load() != m_startCount;
}

void runWithNotes(void (*work)())
{
    g_notesOnly = true;
    work();
    g_notesOnly = false;
}

int exitCodeOf(const WarningWatch &watch, unsigned int libraryResult)
{
    return libraryResult != LibrarySuccess || watch.warned() ? ExitFailed : ExitOk;
}

} // namespace KelSettings
