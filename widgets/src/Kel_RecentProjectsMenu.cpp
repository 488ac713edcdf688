// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Kel::RecentProjectsMenu: reads the recent projects from the store, tests their files off the GUI thread and shows those that exist.
#include <Kel_RecentProjectsMenu.h>

#include "ExistenceChecks.h"
#include "WidgetsLog.h"

#include <Kel_PreferenceTable.h>

#include <Gui/Wisp/Settings.h>

#include <QtCore/QDir>
#include <QtCore/QEvent>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>
#include <QtCore/QTimer>
#include <QtGui/QFontMetrics>
#include <QtGui/QScreen>

namespace Kel {

namespace {

namespace Table = Kel::PreferenceTable;

// While the menu is open it reads the store and tests its entries again this
// often: a project recorded elsewhere shows within a second.
constexpr int FollowIntervalMs = 400;
// An entry is at most this many average characters wide, and half the screen.
constexpr int MaxEntryChars = 60;
// Entries 1 to 9 get their digit as mnemonic.
constexpr int MnemonicCount = 9;

QString keyOf(Table::KeyIndex key)
{
    return QLatin1String(Table::Keys[key].name);
}

// A file name shows '&' as itself, not as a mnemonic.
QString literal(const QString &text)
{
    QString escaped = text;
    return escaped.replace(QLatin1Char('&'), QLatin1String("&&"));
}

// Paths read left to right whatever the layout's direction.
QString leftToRight(const QString &text, Qt::LayoutDirection direction)
{
    if (direction == Qt::LeftToRight)
        return text;
    return QChar(0x202A) + text + QChar(0x202C);  // LEFT-TO-RIGHT EMBEDDING ... POP DIRECTIONAL FORMATTING
}

} // namespace

class Q_DECL_HIDDEN RecentProjectsMenu::Private
{
public:
    explicit Private(RecentProjectsMenu *menu)
        : q(menu), checks(menu)
    {
    }

    // One store object, closed before any file is tested.
    void readStore()
    {
        const Gui::Wisp::Settings store(Table::Scope, true, true, true);
        stored = store.getValue(keyOf(Table::RecentFiles), QVariant()).toStringList();
        const int limit =
            store.getValue(keyOf(Table::RecentProjectCount), QVariant(Table::numberDefault(Table::RecentProjectCount)))
                .toInt();
        // GetRecentProjects examines entries until their count equals the
        // limit; 0 or below never does, and every entry is examined.
        examined = limit > 0 ? stored.mid(0, limit) : stored;
    }

    void testEntries()
    {
        for (const QString &path : examined)
            checks.test(path);
    }

    // A store object costs one look at the file's status on this thread.
    void follow()
    {
        readStore();
        testEntries();
        showEntries();
    }

    QStringList existing() const
    {
        QStringList shown;
        for (const QString &path : examined) {
            if (exists.value(path, false))
                shown << path;
        }
        return shown;
    }

    int maxEntryWidth() const
    {
        const QFontMetrics metrics(q->font());
        int width = metrics.averageCharWidth() * MaxEntryChars;
        if (const QScreen *screen = q->screen())
            width = qMin(width, screen->availableGeometry().width() / 2);
        return width;
    }

    QString entryText(int number, const QString &path) const
    {
        const QFileInfo file(path);
        const QString name = file.fileName();
        const QString folder = QDir::toNativeSeparators(file.path());
        const QString digits = number <= MnemonicCount ? QLatin1Char('&') + QString::number(number)
                                                       : QString::number(number);
        const QString pattern = RecentProjectsMenu::tr("%1 %2 — %3", "recent project: number, file name, folder");
        const QFontMetrics metrics(q->font());
        const int taken = metrics.horizontalAdvance(pattern.arg(QString::number(number), name, QString()));
        const QString elided = metrics.elidedText(folder, Qt::ElideMiddle, qMax(0, maxEntryWidth() - taken));
        const Qt::LayoutDirection direction = q->layoutDirection();
        return pattern.arg(digits, leftToRight(literal(name), direction), leftToRight(literal(elided), direction));
    }

    void showEntries(bool force = false)
    {
        const QStringList now = existing();
        if (!force && now == shown && q->actions().size() > 0)
            return;
        shown = now;
        q->clear();
        int number = 0;
        for (const QString &path : shown) {
            QAction *entry = q->addAction(entryText(++number, path));
            const QString full = QDir::toNativeSeparators(path);
            entry->setToolTip(full);
            entry->setStatusTip(full);
            QObject::connect(entry, &QAction::triggered, q, [this, path] { Q_EMIT q->projectTriggered(path); });
        }
        if (shown.isEmpty())
            q->addAction(RecentProjectsMenu::tr("No Recent Projects"))->setEnabled(false);
        q->addSeparator();
        QAction *clear = q->addAction(RecentProjectsMenu::tr("&Clear List"));
        clear->setEnabled(!stored.isEmpty());
        // Queued: clearing the list deletes this very action.
        QObject::connect(clear, &QAction::triggered, q, [this] { clearList(); }, Qt::QueuedConnection);
    }

    void clearList()
    {
        {
            // Held against a project being recorded meanwhile, here or in another instance.
            Gui::Wisp::Settings store(Table::Scope, true, true, true);
            store.lockForUpdate();
            store.remove(keyOf(Table::RecentFiles));
        }
        qCInfo(Widgets::widgetsLog) << "recent projects cleared";
        readStore();
        showEntries();
    }

    RecentProjectsMenu *q;
    Widgets::ExistenceChecks checks;
    QStringList stored;
    QStringList examined;  // the entries GetRecentProjects looks at, in order
    QHash<QString, bool> exists;
    QStringList shown;
    QTimer followTimer;
};

RecentProjectsMenu::RecentProjectsMenu(QWidget *parent)
    : QMenu(parent), d(std::make_unique<Private>(this))
{
    setTitle(tr("&Recent Projects"));
    setToolTipsVisible(true);
    d->followTimer.setInterval(FollowIntervalMs);
    connect(&d->followTimer, &QTimer::timeout, this, [this] { d->follow(); });
    connect(this, &QMenu::aboutToShow, this, [this] {
        d->readStore();
        d->testEntries();
        d->showEntries();
        d->followTimer.start();
    });
    connect(this, &QMenu::aboutToHide, this, [this] { d->followTimer.stop(); });
    connect(&d->checks, &Widgets::ExistenceChecks::answered, this, [this](const QString &path, bool exists) {
        d->exists.insert(path, exists);
        d->showEntries();
    });
    // Tested before the first opening, so that it shows the entries at once.
    d->readStore();
    d->testEntries();
    d->showEntries(true);
}

RecentProjectsMenu::~RecentProjectsMenu() = default;

QStringList RecentProjectsMenu::projects() const
{
    return d->shown;
}

void RecentProjectsMenu::changeEvent(QEvent *event)
{
    QMenu::changeEvent(event);
    switch (event->type()) {
    case QEvent::LanguageChange:
        setTitle(tr("&Recent Projects"));
        d->showEntries(true);
        break;
    case QEvent::FontChange:
    case QEvent::LayoutDirectionChange:
        d->showEntries(true);
        break;
    default:
        break;
    }
}

} // namespace Kel
