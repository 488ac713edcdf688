// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Has the library's helper program read each serialized settings value first, so that one that would end a process ends the helper.
#include "IniText.h"

#include "SettingsFile.h"
#include "WispLogging.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QDir>
#include <QtCore/QHash>
#include <QtCore/QProcess>

#include <mutex>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

// Far beyond any real start or read; a read that takes longer hangs.
constexpr int kChildWaitMs = 10000;
// Verdicts kept per process: far more values than any store file holds.
constexpr int kMostVerdicts = 4096;

enum class Verdict { Read, Died, NotChecked };

// The helper says 'r' once Qt runs and 'y' once it has read every value: a
// helper that never got ready tells nothing about them.
Verdict readInChild(const QByteArray &text, bool gui)
{
    const QString program = QDir(libraryFolder()).filePath(QLatin1String(KEL_VALUE_READER));
    QProcess child;
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(program, gui ? QStringList{QStringLiteral("gui")} : QStringList());
    if (!child.waitForStarted(kChildWaitMs)) {
        qCWarning(lcSettings) << "Cannot start" << program << "to check a stored value:" << child.errorString();
        return Verdict::NotChecked;
    }
    child.write(text);
    child.closeWriteChannel();
    if (!child.waitForFinished(kChildWaitMs)) {
        child.kill();
        child.waitForFinished();
    }
    const QByteArray said = child.readAllStandardOutput();
    const bool read = said == "ry" && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    return read ? Verdict::Read : said.startsWith('r') ? Verdict::Died : Verdict::NotChecked;
}

} // namespace

std::vector<UnreadableValue> unreadableValues(const QByteArray &text, bool guiProcess)
{
    static std::mutex mutex;
    static auto *verdicts = new QHash<QByteArray, Verdict>;  // used until the process ends
    std::vector<UnreadableValue> unreadable;
    if (!holdsSerializedValue(text))
        return unreadable;
    // Qt 5 decodes a file that starts with a byte-order mark as UTF-8, which
    // changes the bytes a serialized value stands for.
    const QByteArray mark = text.startsWith("\xEF\xBB\xBF") ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    for (const IniLine &line : iniLines(text)) {
        if (!holdsSerializedValue(text.mid(line.valueBegin, line.end - line.valueBegin)))
            continue;
        const QByteArray alone = mark + text.mid(line.begin, line.end - line.begin) + '\n';
        const QByteArray key = QCryptographicHash::hash(alone + (guiProcess ? "g" : "c"), QCryptographicHash::Sha256);
        std::unique_lock<std::mutex> lock(mutex);
        auto verdict = verdicts->constFind(key);
        if (verdict == verdicts->cend()) {
            lock.unlock();  // another thread may check the same value meanwhile
            const Verdict read = readInChild(alone, guiProcess);
            lock.lock();
            if (verdicts->size() >= kMostVerdicts)
                verdicts->clear();
            verdict = verdicts->insert(key, read);
        }
        if (*verdict != Verdict::Read)
            unreadable.push_back({line, *verdict == Verdict::NotChecked});
    }
    return unreadable;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
