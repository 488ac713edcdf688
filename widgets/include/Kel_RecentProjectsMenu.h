// Kel::RecentProjectsMenu: a "Recent Projects" menu that shows the stored recent projects and follows the store live.
#pragma once

#include <kel_guiutilities_widgets_export.h>

#include <QtWidgets/QMenu>

#include <memory>

namespace Kel {

// The entries Kel::UserSettings::GetRecentProjects gives, most recent first,
// numbered &1 to &9, each as its file name and its folder elided in the
// middle, with the full path as tool tip and status tip; "No Recent Projects"
// when there are none; then "Clear List". The menu reads the store when it
// opens and, while it is open, whenever another process or this one records a
// project. Whether a project's file exists is tested off the GUI thread: an
// entry whose test has not answered (a share that hangs) stays out until it
// does, and a file that comes back is shown again.
class KEL_GUIUTILITIES_WIDGETS_EXPORT RecentProjectsMenu : public QMenu
{
    Q_OBJECT
public:
    explicit RecentProjectsMenu(QWidget *parent = nullptr);
    ~RecentProjectsMenu() override;

    // The projects the menu shows now, in its order.
    QStringList projects() const;

Q_SIGNALS:
    // The user chose the recent project at path (as stored).
    void projectTriggered(const QString &path);

protected:
    void changeEvent(QEvent *event) override;

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace Kel
