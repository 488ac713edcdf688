// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Kel::RecentProjectsModel: the stored recent projects as a list model, for Qt Quick and item views, following the store live.
 */
#pragma once

#include <kel_guiutilities_widgets_export.h>

#include <QtCore/QAbstractListModel>

#include <memory>

namespace Kel {

/**
 * The stored recent projects as a list model that follows the store live.
 *
 * One row for each stored entry that Kel::UserSettings::GetRecentProjects
 * examines, most recent first: the first "RecentProjectCount" entries, or all
 * of them when the count is 0. Rows whose file is missing stay, with
 * #ExistsRole false, so a view can show them dimmed or leave them out; the
 * rows whose #ExistsRole is true are what GetRecentProjects gives.
 *
 * The model reads the store every 0.4 s, so a project recorded by another
 * process or by this one shows within a second, and tests whether each file
 * exists off the GUI thread: a file on a share that does not answer reads as
 * missing until its test answers, and a file that comes back shows again.
 * Rows are inserted, moved and removed as the stored list changes, never
 * reset, so a view keeps its current item.
 *
 * It needs no Qt Quick: a Qt Quick host hands it to its view, as below.
 *
 * @code
 * auto *recent = new Kel::RecentProjectsModel(&engine);
 * engine.setInitialProperties({{QStringLiteral("recentProjects"), QVariant::fromValue(recent)}});
 * // ListView { model: recentProjects; delegate: Text { text: model.display; color: model.exists ? "black" : "gray" } }
 * @endcode
 *
 * @threads The GUI thread.
 * @blocking Construction and the slots wait at most 0.2 s for the files' tests;
 *           a test that has not answered by then shows when it does. Nothing
 *           else waits for a file system.
 * @since 1.20
 */
class KEL_GUIUTILITIES_WIDGETS_EXPORT RecentProjectsModel : public QAbstractListModel
{
    Q_OBJECT
public:
    /** The roles beyond Qt::DisplayRole (the file's name) and Qt::ToolTipRole (the full path, native separators). */
    enum Role {
        PathRole = Qt::UserRole + 1, ///< the project's path as stored, a QString; "path" in QML
        FolderRole,                  ///< its folder with native separators, a QString; "folder" in QML
        ExistsRole,                  ///< whether its file was found, a bool; "exists" in QML
    };
    Q_ENUM(Role)

    /**
     * A model of the recent projects in the store, filled before it returns
     * (each file whose test answers within 0.2 s has its #ExistsRole set).
     *
     * @param parent the QObject parent, or null
     */
    explicit RecentProjectsModel(QObject *parent = nullptr);
    /** Destroys the model; a file test still under way is dropped when it answers. */
    ~RecentProjectsModel() override;

    /**
     * @param parent the parent index; only the invalid root has rows
     * @return the number of rows
     */
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    /**
     * @param index a row of this model
     * @param role Qt::DisplayRole, Qt::ToolTipRole or a #Role
     * @return the row's value for @p role, or an invalid QVariant
     */
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    /** @return Qt's role names with "path", "folder" and "exists" added, for QML delegates */
    QHash<int, QByteArray> roleNames() const override;

    /** @return the paths of the rows whose file was found, in order: what a menu of recent projects shows */
    QStringList existingProjects() const;

public Q_SLOTS:
    /**
     * Records @p path as the most recent project, as
     * Kel::UserSettings::SetPreviousProjectName does: an earlier entry naming
     * the same file is dropped. The rows follow before it returns.
     *
     * @param path the project's file name, stored as given
     */
    void addProject(const QString &path);
    /**
     * Removes every stored entry naming the same file as @p path (the same
     * rule as addProject()), whether or not the file exists and whether or not
     * it is within "RecentProjectCount". The rows follow before it returns.
     *
     * @param path the project's file name
     */
    void removeProject(const QString &path);
    /** Removes every stored recent project; "RecentProjectCount" stays. The rows follow before it returns. */
    void clear();

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace Kel
