// A scope's INI file in memory, written back in the layout QSettings uses: [General] first, then sections.
#include "IniDocument.h"

#include "IniText.h"
#include "IniVariant.h"

#include <algorithm>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

QString sectionOf(const QString &key)
{
    const int slash = key.indexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : key.left(slash);
}

QString nameInSection(const QString &key)
{
    const int slash = key.indexOf(QLatin1Char('/'));
    return slash < 0 ? key : key.mid(slash + 1);
}

QByteArray sectionHeader(const QString &section)
{
    QByteArray name;
    ini::appendEscapedKey(section, name);
    if (name.isEmpty())
        return QByteArrayLiteral("[General]");
    if (name.compare("general", Qt::CaseInsensitive) == 0)
        return "[%" + name + ']';  // a section really named "General"
    return '[' + name + ']';
}

} // namespace

IniDocument IniDocument::parse(const QByteArray &data)
{
    IniDocument doc;
    for (ini::RawLine &line : ini::readLines(data)) {
        if (!ini::isSelfContained(line.value))
            line.value = ini::reescaped(line.value);
        doc.put(line.key, std::move(line.value));
    }
    return doc;
}

QByteArray IniDocument::serialize() const
{
    // Sections in the order of their first key, keys in their own order.
    QStringList sections;
    QHash<QString, std::vector<const Entry *>> bySection;
    for (const Entry &entry : m_entries) {
        const QString section = sectionOf(entry.key);
        auto it = bySection.find(section);
        if (it == bySection.end()) {
            sections.append(section);
            it = bySection.insert(section, {});
        }
        it->push_back(&entry);
    }

    QByteArray out;
    for (const QString &section : sections) {
        if (!out.isEmpty())
            out += '\n';
        out += sectionHeader(section);
        out += '\n';
        for (const Entry *entry : bySection.value(section)) {
            ini::appendEscapedKey(nameInSection(entry->key), out);
            out += '=';
            out += entry->escaped;
            out += '\n';
        }
    }
    return out;
}

bool IniDocument::contains(const QString &key) const
{
    return m_index.contains(key);
}

QVariant IniDocument::value(const QString &key, const QVariant &defaultValue, bool *rejected) const
{
    const auto it = m_index.constFind(key);
    if (it == m_index.constEnd())
        return defaultValue;
    const Entry &entry = m_entries[size_t(*it)];
    if (!entry.decoded) {
        ini::DecodedValue decoded = ini::decodedValue(entry.escaped);
        entry.decoded = std::move(decoded.value);
        entry.rejected = decoded.rejected;
    }
    if (rejected)
        *rejected = entry.rejected;
    return entry.rejected ? defaultValue : *entry.decoded;
}

void IniDocument::setValue(const QString &key, const QVariant &value)
{
    QByteArray escaped;
    ini::appendEncodedValue(value, escaped);
    put(key, std::move(escaped));
}

void IniDocument::put(const QString &key, QByteArray escaped)
{
    const auto it = m_index.constFind(key);
    if (it != m_index.constEnd()) {
        Entry &entry = m_entries[size_t(*it)];
        entry.escaped = std::move(escaped);
        entry.decoded.reset();
        entry.rejected = false;
        return;
    }
    m_index.insert(key, int(m_entries.size()));
    m_entries.push_back(Entry{key, std::move(escaped), std::nullopt, false});
}

void IniDocument::remove(const QString &key)
{
    const QString prefix = key + QLatin1Char('/');
    const auto doomed = [&](const Entry &e) { return key.isEmpty() || e.key == key || e.key.startsWith(prefix); };
    const size_t before = m_entries.size();
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), doomed), m_entries.end());
    if (m_entries.size() != before)
        reindex();
}

void IniDocument::reindex()
{
    m_index.clear();
    for (size_t i = 0; i < m_entries.size(); ++i)
        m_index.insert(m_entries[i].key, int(i));
}

QStringList IniDocument::keys() const
{
    QStringList out;
    out.reserve(int(m_entries.size()));
    for (const Entry &entry : m_entries)
        out.append(entry.key);
    return out;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
