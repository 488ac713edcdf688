// Internal: a store object's changes, kept until it closes and then handed to QSettings in one go.
#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <optional>
#include <vector>

QT_BEGIN_NAMESPACE
class QSettings;
QT_END_NAMESPACE

namespace Gui {
namespace Wisp {
namespace detail {

// QSettings writes a change it was given whenever it syncs, also when its
// object is destroyed, and serves it until then. The store hands it the
// changes only once the file is known to be safe to write, so a write that
// is refused before it starts leaves nothing behind; until then the changes
// answer for themselves, with keys matched as QSettings matches them.
class PendingChanges
{
public:
    void set(const QString &key, const QVariant &value);
    // Removes key and every key below it; an empty key removes every key.
    void remove(const QString &key);

    bool isEmpty() const { return m_changes.empty(); }
    void clear() { m_changes.clear(); }

    enum class Answer { Unchanged, Set, Removed };
    // What the changes say of key; value receives a value set.
    Answer lookup(const QString &key, QVariant *value) const;
    // The keys of the file with the changes made to them.
    QStringList appliedTo(const QStringList &keys) const;
    // Hands the changes to settings in the order they were made.
    void replay(QSettings &settings) const;

private:
    struct Change
    {
        QString key;                   // as QSettings normalises it
        std::optional<QVariant> value; // none: removed
    };
    std::vector<Change> m_changes;
};

} // namespace detail
} // namespace Wisp
} // namespace Gui
