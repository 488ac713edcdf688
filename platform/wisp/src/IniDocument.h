// Internal: a scope's INI file in memory: its keys in file order, values decoded on first read.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <optional>
#include <vector>

namespace Gui {
namespace Wisp {
namespace detail {

class IniDocument
{
public:
    // Never fails: what cannot be read is passed over.
    static IniDocument parse(const QByteArray &data);
    QByteArray serialize() const;

    bool contains(const QString &key) const;
    // A value that the file holds in a damaged form reads as absent; the
    // caller learns of it through rejected.
    QVariant value(const QString &key, const QVariant &defaultValue, bool *rejected = nullptr) const;
    void setValue(const QString &key, const QVariant &value);
    // Removes key and every key below it ("key/..."); an empty key removes all.
    void remove(const QString &key);
    QStringList keys() const;

private:
    struct Entry
    {
        QString key;
        QByteArray escaped;  // the value as the file holds it
        mutable std::optional<QVariant> decoded;
        mutable bool rejected = false;
    };

    void put(const QString &key, QByteArray escaped);
    void reindex();

    std::vector<Entry> m_entries;
    QHash<QString, int> m_index;
};

} // namespace detail
} // namespace Wisp
} // namespace Gui
