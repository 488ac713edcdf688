// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Kel::RecentProjectsMenu: shows the rows of a recent-projects model whose file exists, numbered and elided to fit.
#include <Kel_RecentProjectsMenu.h>

#include <Kel_RecentProjectsModel.h>

#include <QtCore/QDir>
#include <QtCore/QEvent>
#include <QtCore/QFileInfo>
#include <QtCore/QTimer>
#include <QtGui/QFontMetrics>
#include <QtGui/QScreen>

namespace Kel {

namespace {

// An entry is at most this many average characters wide, and half the screen.
constexpr int MaxEntryChars = 60;
// Entries 1 to 9 get their digit as mnemonic.
constexpr int MnemonicCount = 9;

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
        : q(menu)
    {
        // The model changes a row at a time; the entries are laid out once
        // for all the changes of one look at the store.
        relayout.setSingleShot(true);
        relayout.setInterval(0);
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
        relayout.stop();
        const QStringList now = model.existingProjects();
        const bool canClear = model.rowCount() > 0;  // missing entries can be cleared too
        if (!force && now == shown && canClear == clearEnabled)
            return;
        const bool changed = now != shown;
        shown = now;
        clearEnabled = canClear;
        q->QMenu::clear();
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
        clear->setEnabled(clearEnabled);
        // Queued: clearing the list deletes this very action.
        QObject::connect(clear, &QAction::triggered, q, &RecentProjectsMenu::clear, Qt::QueuedConnection);
        if (changed)
            Q_EMIT q->projectsChanged();
    }

    RecentProjectsMenu *q;
    RecentProjectsModel model;
    QStringList shown;
    bool clearEnabled = false;
    QTimer relayout;
};

RecentProjectsMenu::RecentProjectsMenu(QWidget *parent)
    : QMenu(parent), d(std::make_unique<Private>(this))
{
    setTitle(tr("&Recent Projects"));
    setToolTipsVisible(true);
    connect(&d->relayout, &QTimer::timeout, this, [this] { d->showEntries(); });
    const auto followModel = [this] { d->relayout.start(); };
    connect(&d->model, &QAbstractItemModel::rowsInserted, this, followModel);
    connect(&d->model, &QAbstractItemModel::rowsRemoved, this, followModel);
    connect(&d->model, &QAbstractItemModel::rowsMoved, this, followModel);
    connect(&d->model, &QAbstractItemModel::modelReset, this, followModel);
    connect(&d->model, &QAbstractItemModel::dataChanged, this, followModel);
    d->showEntries(true);
}

RecentProjectsMenu::~RecentProjectsMenu() = default;

QStringList RecentProjectsMenu::projects() const
{
    return d->shown;
}

void RecentProjectsMenu::addProject(const QString &path)
{
    d->model.addProject(path);
    d->showEntries();
}

void RecentProjectsMenu::removeProject(const QString &path)
{
    d->model.removeProject(path);
    d->showEntries();
}

void RecentProjectsMenu::clear()
{
    d->model.clear();
    d->showEntries();
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
