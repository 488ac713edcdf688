// A store object's changes before they reach QSettings, with keys matched as QSettings matches them.
#include "PendingChanges.h"

#include <QtCore/QSettings>

#include <algorithm>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

// QSettings compares the keys of an INI file ignoring case on Windows only.
#if defined(Q_OS_WIN)
constexpr Qt::CaseSensitivity kKeyCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kKeyCase = Qt::CaseSensitive;
#endif

// As QSettings reads a key: runs of '/' are one, and none at either end.
QString normalisedKey(const QString &key)
{
    QStringList parts = key.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.join(QLatin1Char('/'));
}

bool sameKey(const QString &a, const QString &b)
{
    return a.compare(b, kKeyCase) == 0;
}

// Whether removing removed took key with it.
bool covers(const QString &removed, const QString &key)
{
    return removed.isEmpty() || sameKey(removed, key)
           || (key.size() > removed.size() && key.at(removed.size()) == QLatin1Char('/')
               && sameKey(key.left(removed.size()), removed));
}

} // namespace

void PendingChanges::set(const QString &key, const QVariant &value)
{
    m_changes.push_back(Change{normalisedKey(key), value});
}

void PendingChanges::remove(const QString &key)
{
    m_changes.push_back(Change{normalisedKey(key), std::nullopt});
}

PendingChanges::Answer PendingChanges::lookup(const QString &key, QVariant *value) const
{
    if (m_changes.empty())
        return Answer::Unchanged;  // the common case, on every getter: no key to normalise
    const QString wanted = normalisedKey(key);
    for (auto it = m_changes.rbegin(); it != m_changes.rend(); ++it) {
        if (it->value && sameKey(it->key, wanted)) {
            *value = *it->value;
            return Answer::Set;
        }
        if (!it->value && covers(it->key, wanted))
            return Answer::Removed;
    }
    return Answer::Unchanged;
}

QStringList PendingChanges::appliedTo(const QStringList &keys) const
{
    QStringList result = keys;
    for (const Change &change : m_changes) {
        if (change.value) {
            const bool known = std::any_of(result.cbegin(), result.cend(),
                                           [&](const QString &k) { return sameKey(k, change.key); });
            if (!known)
                result.append(change.key);
        } else {
            result.erase(std::remove_if(result.begin(), result.end(),
                                        [&](const QString &k) { return covers(change.key, k); }),
                         result.end());
        }
    }
    std::sort(result.begin(), result.end());
    return result;
}

void PendingChanges::replay(QSettings &settings) const
{
    for (const Change &change : m_changes) {
        if (change.value)
            settings.setValue(change.key, *change.value);
        else
            settings.remove(change.key);
    }
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
