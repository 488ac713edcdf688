// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel_widgets_demo: a host with a File menu of recent projects and a preferences dialog of external programs.
//
// kel_widgets_demo                      runs the demo on the user's store
// kel_widgets_demo --screenshots DIR PROJECTS
//                                       records sample projects under the folder PROJECTS, shows the menu and
//                                       the page, and writes recent-projects-menu.png and external-programs-page.png
//                                       into DIR (run it on a display of its own: it uses the store it is given)
// kel_widgets_demo --grab-screen FILE   writes what the screen shows, cut to the windows on its black background,
//                                       into FILE (another program's window, on a display of its own)
// --dark                                with either: a dark palette, as a desktop's dark theme gives
#include <Kel_ExternalProgramsPage.h>
#include <Kel_RecentProjectsMenu.h>
#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <Gui/Wisp/DesktopHelpManager.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTimer>
#include <QtGui/QImage>
#include <QtGui/QPalette>
#include <QtGui/QPixmap>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDialog>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QStatusBar>
#include <QtWidgets/QVBoxLayout>

namespace {

constexpr int SettleMs = 700;  // lets the menu's file tests answer and the window paint

class PreferencesDialog : public QDialog
{
public:
    explicit PreferencesDialog(QWidget *parent)
        : QDialog(parent), m_page(new Kel::ExternalProgramsPage(this))
    {
        setWindowTitle(QObject::tr("Preferences"));
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
        QPushButton *apply = buttons->button(QDialogButtonBox::Apply);
        apply->setEnabled(false);
        connect(m_page, &Kel::ExternalProgramsPage::changed, apply, [this, apply] { apply->setEnabled(m_page->hasChanges()); });
        connect(apply, &QPushButton::clicked, this, [this, apply] { m_page->apply(); apply->setEnabled(false); });
        connect(buttons, &QDialogButtonBox::accepted, this, [this] { m_page->apply(); accept(); });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        // Cancel, Escape and the window's close all end in reject(): the page drops the edits each time.
        connect(this, &QDialog::rejected, m_page, &Kel::ExternalProgramsPage::reset);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(m_page);
        layout->addWidget(buttons);
        resize(600, sizeHint().height());
    }

    Kel::ExternalProgramsPage *page() const { return m_page; }

private:
    Kel::ExternalProgramsPage *m_page;
};

class DemoWindow : public QMainWindow
{
public:
    DemoWindow()
    {
        setWindowTitle(QObject::tr("Widgets demo"));
        QMenu *file = menuBar()->addMenu(QObject::tr("&File"));
        file->addAction(QObject::tr("&Open…"), this, [this] {
            const QString project = QFileDialog::getOpenFileName(this, QObject::tr("Open a project"));
            if (!project.isEmpty())
                open(project);
        });
        m_recent = new Kel::RecentProjectsMenu(this);
        file->addMenu(m_recent);
        connect(m_recent, &Kel::RecentProjectsMenu::projectTriggered, this, &DemoWindow::open);
        file->addSeparator();
        file->addAction(QObject::tr("&Preferences…"), this, [this] { m_preferences->show(); });
        file->addAction(QObject::tr("&Quit"), qApp, &QApplication::quit);
        m_preferences = new PreferencesDialog(this);
        m_shown = new QLabel(QObject::tr("No project open."), this);
        m_shown->setAlignment(Qt::AlignCenter);
        setCentralWidget(m_shown);
        statusBar();
        resize(720, 420);
    }

    void open(const QString &project)
    {
        Kel::UserSettings::SetPreviousProjectName(Kel::Utility::QStringToPortString(project));
        m_shown->setText(QObject::tr("Project: %1").arg(QDir::toNativeSeparators(project)));
    }

    Kel::RecentProjectsMenu *recent() const { return m_recent; }
    PreferencesDialog *preferences() const { return m_preferences; }
    QMenu *fileMenu() const { return menuBar()->actions().constFirst()->menu(); }

private:
    Kel::RecentProjectsMenu *m_recent;
    PreferencesDialog *m_preferences;
    QLabel *m_shown;
};

// The part of the screen that holds the given widgets, with a margin.
bool grabAround(const QList<QWidget *> &widgets, const QString &file)
{
    QRect area;
    for (const QWidget *widget : widgets)
        area |= widget->frameGeometry();
    area.adjust(-8, -8, 8, 8);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    return shot.save(file);
}

// Fusion's colours on a dark desktop: what a host gets from a dark theme, on any platform.
QPalette darkPalette()
{
    QPalette palette;
    const QColor window(53, 53, 53), base(35, 35, 35), text(230, 230, 230), disabled(127, 127, 127);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::red);
    palette.setColor(QPalette::Link, QColor(42, 130, 218));
    palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
    palette.setColor(QPalette::HighlightedText, Qt::black);
    palette.setColor(QPalette::PlaceholderText, disabled);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabled);
    return palette;
}

// The screen cut to what differs from its empty background, seen in the bottom-right corner, which no window
// placed at the top left reaches.
int grabScreen(const QString &file)
{
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const QRgb background = screen.pixel(screen.width() - 1, screen.height() - 1);
    QRect shown;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            if (screen.pixel(x, y) != background)
                shown |= QRect(x, y, 1, 1);
        }
    }
    if (shown.isEmpty())
        return 1;
    return screen.copy(shown).save(file) ? 0 : 1;
}

int takeScreenshots(DemoWindow &window, const QString &folder, const QString &projects)
{
    const QStringList samples{QStringLiteral("board-test/top.qpf"),
                              QStringLiteral("customers/Acme Instruments/2024 field units/revision C/controller.qpf"),
                              QStringLiteral("R&D/filters.qpf")};
    for (auto it = samples.crbegin(); it != samples.crend(); ++it) {
        const QString path = projects + QLatin1Char('/') + *it;
        QDir().mkpath(QFileInfo(path).path());
        QFile(path).open(QIODevice::WriteOnly);
        window.open(path);
    }
    window.move(40, 40);
    window.show();
    int status = 0;
    QTimer::singleShot(SettleMs, &window, [&] {
        QMenu *file = window.fileMenu();
        file->popup(window.mapToGlobal(QPoint(0, window.menuBar()->height())));
        file->setActiveAction(window.recent()->menuAction());
        window.recent()->popup(file->geometry().topRight());
        window.recent()->setActiveAction(window.recent()->actions().constFirst());
        QTimer::singleShot(SettleMs, &window, [&, file] {
            if (!grabAround({&window, file, window.recent()}, folder + QLatin1String("/recent-projects-menu.png")))
                status = 1;
            window.recent()->close();
            file->close();
            PreferencesDialog *dialog = window.preferences();
            dialog->move(80, 60);
            dialog->show();
            dialog->page()->findChildren<QRadioButton *>().at(3)->setChecked(true);
            dialog->page()->findChildren<QLineEdit *>().at(1)->setText(QStringLiteral("/opt/my browser/b --new %1"));
            QTimer::singleShot(SettleMs, &window, [&, dialog] {
                // The dialog alone: it paints itself, whatever the screen shows around it.
                if (!dialog->grab().save(folder + QLatin1String("/external-programs-page.png")))
                    status = 1;
                qApp->exit(status);
            });
        });
    });
    return QApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.contains(QStringLiteral("--dark")))
        QApplication::setPalette(darkPalette());
    const int grab = arguments.indexOf(QStringLiteral("--grab-screen"));
    if (grab > 0 && grab + 1 < arguments.size())
        return grabScreen(arguments.at(grab + 1));
    static Gui::Wisp::DesktopHelpManager help;
    Gui::Wisp::HelpManager::setInstance(&help);
    DemoWindow window;
    const int screenshots = arguments.indexOf(QStringLiteral("--screenshots"));
    if (screenshots > 0 && screenshots + 2 < arguments.size())
        return takeScreenshots(window, arguments.at(screenshots + 1), arguments.at(screenshots + 2));
    window.show();
    return QApplication::exec();
}
