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
 * Recent Projects" when there are none; then "Clear List". The menu reads the
 * store when it opens and, while it is open, whenever another process or this
 * one records a project. Whether a project's file exists is tested off the
 * GUI thread: an entry whose test has not answered (a share that hangs) stays
 * out until it does, and a file that comes back is shown again.
 *
 * @code
 * auto *recent = new Kel::RecentProjectsMenu(this);
 * fileMenu->addMenu(recent);
 * connect(recent, &Kel::RecentProjectsMenu::projectTriggered, this, &MainWindow::openProject);
 * @endcode
 *
 * @threads The GUI thread, as for every widget.
 * @blocking Never waits for a file system: opening the menu reads the store only.
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

    /** @return the projects the menu shows now, in its order */
    QStringList projects() const;

Q_SIGNALS:
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
