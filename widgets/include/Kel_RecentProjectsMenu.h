// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Kel::RecentProjectsMenu: a "Recent Projects" menu that shows the stored recent projects and follows the store live.
 */
#pragma once

#include <kel_guiutilities_widgets_export.h>

#include <QtWidgets/QMenu>

#include <memory>

namespace Kel {

/**
 * A "Recent Projects" menu that shows the stored recent projects and follows
 * the store live.
 *
 * The entries are those Kel::UserSettings::GetRecentProjects gives, most
 * recent first, numbered &1 to &9, each as its file name and its folder
 * elided in the middle, with the full path as tool tip and status tip; "No
 * Recent Projects" when there are none; then "Clear List", enabled while the
 * store holds any entry, missing ones included. They are the rows of a
 * Kel::RecentProjectsModel whose file exists, so the menu follows the store
 * as the model does: a project recorded by another process or by this one
 * shows within a second, an entry whose file test has not answered (a share
 * that hangs) stays out until it does, and a file that comes back is shown
 * again.
 *
 * The host records a project it opened with addProject(); one that failed to
 * open can leave the list with removeProject().
 *
 * @code
 * auto *recent = new Kel::RecentProjectsMenu(this);
 * fileMenu->addMenu(recent);
 * connect(recent, &Kel::RecentProjectsMenu::projectTriggered, this, &MainWindow::openProject);
 * // and where a project was opened:
 * recent->addProject(path);
 * @endcode
 *
 * @threads The GUI thread, as for every widget.
 * @blocking Opening the menu never waits for a file system. Construction and
 *           the slots wait at most 0.2 s for the files' tests, as
 *           Kel::RecentProjectsModel does.
 * @since 1.19
 */
class KEL_GUIUTILITIES_WIDGETS_EXPORT RecentProjectsMenu : public QMenu
{
    Q_OBJECT
public:
    /**
     * A menu titled "Recent Projects".
     *
     * @param parent the parent widget, or null
     */
    explicit RecentProjectsMenu(QWidget *parent = nullptr);
    /** Destroys the menu. */
    ~RecentProjectsMenu() override;

    /**
     * @return the projects the menu shows, in its order: from construction on,
     *         whether or not the menu was ever opened
     */
    QStringList projects() const;

public Q_SLOTS:
    /**
     * Records @p path as the most recent project, as
     * Kel::UserSettings::SetPreviousProjectName does; projects() has it
     * before this returns when its file exists.
     *
     * @param path the project's file name, stored as given
     * @since 1.20
     */
    void addProject(const QString &path);
    /**
     * Removes every stored entry naming the same file as @p path, as
     * Kel::RecentProjectsModel::removeProject() does.
     *
     * @param path the project's file name
     * @since 1.20
     */
    void removeProject(const QString &path);
    /**
     * Removes every stored recent project, as "Clear List" does; "RecentProjectCount" stays.
     *
     * Hides QMenu::clear(), which would only take the entries off the menu
     * until it next follows the store; call it as QMenu::clear() for that.
     * @since 1.20
     */
    void clear();

Q_SIGNALS:
    /**
     * projects() changed: a project was recorded, removed or cleared, here or
     * in another process, or a file went missing or came back.
     * @since 1.20
     */
    void projectsChanged();

    /**
     * The user chose a recent project.
     *
     * @param path the project's path, as stored
     */
    void projectTriggered(const QString &path);

protected:
    /**
     * Follows a change of language, font or layout direction: the entries are laid out again.
     *
     * @param event the change
     */
    void changeEvent(QEvent *event) override;

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace Kel
