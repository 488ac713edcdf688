// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Kel::RecentProjectsModel: rows that follow the stored list, and whether each file exists, tested off the GUI thread.
#include <Kel_RecentProjectsModel.h>

#include "ExistenceChecks.h"
#include "WidgetsLog.h"

#include <Kel_PreferenceTable.h>
#include <SameFileName.h>

#include <Gui/Wisp/RecentFileList.h>
#include <Gui/Wisp/Settings.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QTimer>

#include <algorithm>
#include <utility>

namespace Kel {

namespace {

namespace Table = Kel::PreferenceTable;

// The store is read and the files tested again this often: a project
// recorded elsewhere shows within a second.
constexpr int FollowIntervalMs = 400;
// How long construction and a change made through the model wait for the
// files' tests, so that what they show is current when they return.
constexpr int SettleMs = 200;

QString keyOf(Table::KeyIndex key)
{
    return QLatin1String(Table::Keys[key].name);
}

} // namespace

class Q_DECL_HIDDEN RecentProjectsModel::Private
{
public:
    explicit Private(RecentProjectsModel *model)
        : q(model), checks(model)
    {
    }

    // One store object, closed before any file is tested.
    static QStringList readExamined()
    {
        const Gui::Wisp::Settings store(Table::Scope, true, true, true);
        const QStringList stored = store.getValue(keyOf(Table::RecentFiles), QVariant()).toStringList();
        const int limit =
            store.getValue(keyOf(Table::RecentProjectCount), QVariant(Table::numberDefault(Table::RecentProjectCount)))
                .toInt();
        // GetRecentProjects examines entries until their count equals the
        // limit; 0 or below never does, and every entry is examined.
        return limit > 0 ? QStringList(stored.mid(0, limit)) : stored;
    }

    void follow()
    {
        showRows(readExamined());
        for (auto it = exists.begin(); it != exists.end();) {
            if (rows.contains(it.key()))
                ++it;
            else
                it = exists.erase(it);
        }
        for (const QString &path : std::as_const(rows))
            checks.test(path);
    }

    void followNow()
    {
        follow();
        checks.waitForAnswers(SettleMs);
    }

    // Moves, inserts and removes rows until they are wanted, so that views
    // keep their current item; a name stored twice is two rows.
    void showRows(const QStringList &wanted)
    {
        for (int i = 0; i < wanted.size(); ++i) {
            if (i < rows.size() && rows.at(i) == wanted.at(i))
                continue;
            const int from = rows.indexOf(wanted.at(i), i + 1);
            if (from > i) {
                q->beginMoveRows(QModelIndex(), from, from, QModelIndex(), i);
                rows.move(from, i);
                q->endMoveRows();
            } else {
                q->beginInsertRows(QModelIndex(), i, i);
                rows.insert(i, wanted.at(i));
                q->endInsertRows();
            }
        }
        if (rows.size() > wanted.size()) {
            q->beginRemoveRows(QModelIndex(), int(wanted.size()), int(rows.size()) - 1);
            rows.erase(rows.begin() + wanted.size(), rows.end());
            q->endRemoveRows();
        }
    }

    void answer(const QString &path, bool found)
    {
        const auto known = exists.constFind(path);
        if (!rows.contains(path) || (known != exists.cend() && known.value() == found))
            return;
        exists.insert(path, found);
        for (int row = 0; row < rows.size(); ++row) {
            if (rows.at(row) == path) {
                const QModelIndex changed = q->index(row);
                Q_EMIT q->dataChanged(changed, changed, {ExistsRole});
            }
        }
    }

    // Read, change and write as one step, held against a project being
    // recorded meanwhile, here or in another instance.
    template <typename Change>
    void update(Change change)
    {
        {
            Gui::Wisp::Settings store(Table::Scope, true, true, true);
            store.lockForUpdate();
            const QStringList before = store.getValue(keyOf(Table::RecentFiles), QVariant()).toStringList();
            const QStringList after = change(before);
            if (after.isEmpty()) {
                if (store.contains(keyOf(Table::RecentFiles)))
                    store.remove(keyOf(Table::RecentFiles));
            }
            else if (after != before)
                store.setValue(keyOf(Table::RecentFiles), QVariant(after));
        }
        followNow();
    }

    RecentProjectsModel *q;
    Widgets::ExistenceChecks checks;
    QStringList rows;              // the entries GetRecentProjects examines, in order
    QHash<QString, bool> exists;   // the last answer for each row's file
    QTimer followTimer;
};

RecentProjectsModel::RecentProjectsModel(QObject *parent)
    : QAbstractListModel(parent), d(std::make_unique<Private>(this))
{
    connect(&d->checks, &Widgets::ExistenceChecks::answered, this,
            [this](const QString &path, bool exists) { d->answer(path, exists); });
    d->followTimer.setInterval(FollowIntervalMs);
    connect(&d->followTimer, &QTimer::timeout, this, [this] { d->follow(); });
    d->followTimer.start();
    d->followNow();
}

RecentProjectsModel::~RecentProjectsModel() = default;

int RecentProjectsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(d->rows.size());
}

QVariant RecentProjectsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const QString &path = d->rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return QFileInfo(path).fileName();
    case Qt::ToolTipRole:
        return QDir::toNativeSeparators(path);
    case PathRole:
        return path;
    case FolderRole:
        return QDir::toNativeSeparators(QFileInfo(path).path());
    case ExistsRole:
        return d->exists.value(path, false);
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> RecentProjectsModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(PathRole, QByteArrayLiteral("path"));
    names.insert(FolderRole, QByteArrayLiteral("folder"));
    names.insert(ExistsRole, QByteArrayLiteral("exists"));
    return names;
}

QStringList RecentProjectsModel::existingProjects() const
{
    QStringList existing;
    for (const QString &path : std::as_const(d->rows)) {
        if (d->exists.value(path, false))
            existing << path;
    }
    return existing;
}

void RecentProjectsModel::addProject(const QString &path)
{
    d->update([&path](const QStringList &stored) {
        Gui::Wisp::RecentFileList recent(stored, nullptr);
        recent.push_front(path);
        return recent.getStringList();
    });
}

void RecentProjectsModel::removeProject(const QString &path)
{
    d->update([&path](QStringList stored) {
        stored.erase(std::remove_if(stored.begin(), stored.end(),
                                    [&path](const QString &entry) { return Gui::Wisp::namesSameFile(entry, path); }),
                     stored.end());
        return stored;
    });
}

void RecentProjectsModel::clear()
{
    d->update([](const QStringList &) { return QStringList(); });
    qCInfo(Widgets::widgetsLog) << "recent projects cleared";
}

} // namespace Kel
