// Internal: finds the stored values that Qt's settings reader would turn back into objects unsafely, before it reads them.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <vector>

namespace Gui {
namespace Wisp {
namespace detail {

// QSettings turns a value written as "@Variant(...)" or "@DateTime(...)"
// back into an object through QDataStream, which trusts the counts and the
// nesting it finds there: a damaged value can make it allocate gigabytes
// (Qt 5), recurse until the stack runs out, or build a cursor or pixmap in a
// process that has no GUI, and each of those ends the process. QSettings
// reads every value of a section as soon as one key of it is read, and every
// value of the file before each write, so such a value must be found in the
// file's text before QSettings sees it.
struct UnsafeValue
{
    enum Reason {
        Damaged,          // no process can read it safely
        NeedsGuiProcess,  // a pixmap, cursor, font...: only a process with a QGuiApplication can read it
    };

    Reason reason = Damaged;
    QString key;             // as QSettings names it: "section/key", or "key" in [General]
    qsizetype begin = 0;     // the line (or lines) that hold it, as a byte range of the file
    qsizetype end = 0;
};

// Reads file line by line as QSettings' INI reader of this Qt version does
// (sections, quotes, escapes, lists, the text encoding) and checks the shape
// of every serialized value: counts that fit the bytes at hand, bounded
// nesting, and types this process can build.
std::vector<UnsafeValue> findUnsafeValues(const QByteArray &file, bool guiProcess);

// file with the lines of values cut out; the line breaks stay, so the lines
// around them keep their meaning.
QByteArray withoutValues(const QByteArray &file, const std::vector<UnsafeValue> &values);

} // namespace detail
} // namespace Wisp
} // namespace Gui
