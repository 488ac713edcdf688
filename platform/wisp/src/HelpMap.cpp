// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Reading help maps: locating a map in the help folders and looking a topic up in it.
#include "HelpMap.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QList>
#include <QtCore/QUrl>

namespace Gui {
namespace Wisp {
namespace HelpMap {

namespace {

constexpr char CommentMark = '#';
constexpr char TopicSeparator = '=';
constexpr char Utf8ByteOrderMark[] = "\xEF\xBB\xBF";
// A scheme of one letter is a Windows drive, not a URL.
constexpr int MinSchemeLength = 2;

QByteArray withoutByteOrderMark(const QByteArray &text)
{
    return text.startsWith(Utf8ByteOrderMark) ? text.mid(int(sizeof(Utf8ByteOrderMark)) - 1) : text;
}

bool isSchemeCharacter(QChar c, bool first)
{
    const bool letter = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
    if (first)
        return letter;
    return letter || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') || c == QLatin1Char('-')
        || c == QLatin1Char('.');
}

} // namespace

bool isPlainName(const QString &mapName)
{
    if (mapName.isEmpty() || mapName == QLatin1String(".") || mapName == QLatin1String(".."))
        return false;
    // Both separators on every platform: a map name from a Windows caller
    // must not reach a parent folder on Unix either.
    if (mapName.contains(QLatin1Char('/')) || mapName.contains(QLatin1Char('\\')) || mapName.contains(QChar(0)))
        return false;
    return !QDir::isAbsolutePath(mapName);
}

QString locate(const QStringList &folders, const QString &mapName)
{
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        const QFileInfo candidate(QDir(folder), mapName);
        if (candidate.isFile())
            return candidate.absoluteFilePath();
    }
    return QString();
}

bool readText(const QString &path, QByteArray *text, QString *problem)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = file.errorString();
        return false;
    }
    if (file.size() > MaxMapBytes) {
        *problem = QStringLiteral("larger than %1 bytes").arg(MaxMapBytes);
        return false;
    }
    // A file that grew after the size check is refused as well.
    const QByteArray content = file.readAll();
    if (content.size() > MaxMapBytes) {
        *problem = QStringLiteral("larger than %1 bytes").arg(MaxMapBytes);
        return false;
    }
    if (file.error() != QFileDevice::NoError) {
        *problem = file.errorString();
        return false;
    }
    *text = content;
    return true;
}

QString targetOf(const QByteArray &text, const QString &topic)
{
    const QString wanted = topic.trimmed();
    if (wanted.isEmpty())
        return QString();
    const QList<QByteArray> lines = withoutByteOrderMark(text).split('\n');
    for (const QByteArray &rawLine : lines) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(CommentMark)))
            continue;
        const int separator = line.indexOf(QLatin1Char(TopicSeparator));
        if (separator < 0)
            continue;
        if (line.left(separator).trimmed() != wanted)
            continue;
        // A line without a target names no page; a later line may.
        const QString target = line.mid(separator + 1).trimmed();
        if (!target.isEmpty())
            return target;
    }
    return QString();
}

bool isUrl(const QString &target)
{
    const int colon = target.indexOf(QLatin1Char(':'));
    if (colon < MinSchemeLength)
        return false;
    for (int i = 0; i < colon; ++i) {
        if (!isSchemeCharacter(target.at(i), i == 0))
            return false;
    }
    return true;
}

QString browserTarget(const QString &target, const QString &mapFolder)
{
    if (isUrl(target))
        return target;
    const QString file = QDir::cleanPath(QDir(mapFolder).absoluteFilePath(target));
    return QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
}

} // namespace HelpMap
} // namespace Wisp
} // namespace Gui
