// Internal: stored values as the store's INI files write them (@ByteArray, @Variant and friends).
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QVariant>

namespace Gui {
namespace Wisp {
namespace detail {
namespace ini {

// Appends value, escaped, as the text after "key=".
void appendEncodedValue(const QVariant &value, QByteArray &out);

struct DecodedValue
{
    QVariant value;
    // A serialized value that could not be read safely: it reads as absent.
    bool rejected = false;
};

// The value of the escaped text after "key=".
DecodedValue decodedValue(const QByteArray &escaped);

// Whether payload, a QVariant in QDataStream form, has a shape that can be
// read without risk: counts that fit the bytes at hand, for the types the
// check knows; a type it does not know passes only with acceptUnknownTypes.
bool isSafeVariantStream(const QByteArray &payload, bool withNullFlag, bool acceptUnknownTypes);

} // namespace ini
} // namespace detail
} // namespace Wisp
} // namespace Gui
