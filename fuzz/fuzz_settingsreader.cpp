// Fuzzes the store's INI reader: any bytes parse, every value decodes or is rejected, and the result writes back out.
#include "IniDocument.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QVariant>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using Gui::Wisp::detail::IniDocument;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    IniDocument document = IniDocument::parse(bytes);
    for (const QString &key : document.keys()) {
        bool rejected = false;
        const QVariant value = document.value(key, QVariant(), &rejected);
        if (value.isValid())
            value.toString();
        document.contains(key);
    }
    // A writer that changed one key writes everything back; that text must parse again.
    document.setValue(QStringLiteral("Fuzz/Key"), QVariant(QStringLiteral("value \"with\" quotes\n")));
    const IniDocument again = IniDocument::parse(document.serialize());
    for (const QString &key : again.keys())
        again.value(key, QVariant());
    if (!document.keys().isEmpty())
        document.remove(document.keys().first());
    document.serialize();
    return 0;
}
