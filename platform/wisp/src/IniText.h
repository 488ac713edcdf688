// Internal: the text layer of the store's INI files: lines, escaped keys and escaped values.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <vector>

namespace Gui {
namespace Wisp {
namespace detail {
namespace ini {

// One "key=value" line of the file, still escaped, with its full key
// (section "/" key) already unescaped.
struct RawLine
{
    QString key;
    QByteArray value;  // the escaped value text
};

// Reads every key line of data in file order. Comments (';'), lines without
// '=' and unreadable sections are passed over: a damaged file gives what
// survives, never a failure.
std::vector<RawLine> readLines(const QByteArray &data);

// Keys: letters, digits, '_', '-' and '.' stand as they are; '/' inside a
// key is written '\'; every other character as %XX or %UXXXX.
void appendEscapedKey(const QString &key, QByteArray &out);
QString unescapedKey(const char *begin, const char *end);

// Values. Text is written as UTF-8; the payload of @ByteArray, @Variant and
// @DateTime escapes every byte from 0x7F up, so the file stays valid text
// whatever the bytes.
void appendEscapedString(const QString &value, QByteArray &out);
// An empty list is written "@Invalid()", which reads back as an empty list.
void appendEscapedStringList(const QStringList &values, QByteArray &out);

// An escaped value is either one string or, when it holds an unquoted ',',
// a list of strings.
struct UnescapedValue
{
    bool isList = false;
    QString text;
    QStringList list;
};
UnescapedValue unescapedValue(const QByteArray &value);

// An escaped value that a reader takes to its end and no further: quotes
// closed, no backslash left dangling, no raw line break. A damaged file can
// hold one that is not; written back as it is, it would swallow the keys
// written after it.
bool isSelfContained(const QByteArray &value);
// The same value escaped afresh, self-contained.
QByteArray reescaped(const QByteArray &value);

} // namespace ini
} // namespace detail
} // namespace Wisp
} // namespace Gui
