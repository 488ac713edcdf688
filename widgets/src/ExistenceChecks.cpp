// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Existence tests on a thread pool that nobody ever waits for: a test stuck on a hung share ends with the process.
#include "ExistenceChecks.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QMetaObject>
#include <QtCore/QPointer>
#include <QtCore/QRunnable>
#include <QtCore/QThreadPool>

namespace Kel {
namespace Widgets {

namespace {

// Enough for a few shares that hang at once without holding back the others.
constexpr int MaxTestThreads = 8;

// Never destroyed: destroying a pool waits for its tests, and one of them may
// never return. The host's global pool is left to the host.
QThreadPool &testPool()
{
    static QThreadPool *pool = [] {
        auto *made = new QThreadPool;
        made->setMaxThreadCount(MaxTestThreads);
        return made;
    }();
    return *pool;
}

} // namespace

ExistenceChecks::ExistenceChecks(QObject *parent)
    : QObject(parent)
{
}

void ExistenceChecks::test(const QString &path)
{
    if (m_underWay.contains(path))
        return;
    m_underWay.insert(path);
    const QPointer<ExistenceChecks> receiver(this);
    testPool().start(QRunnable::create([receiver, path] {
        // The test GetRecentProjects makes.
        const bool exists = QFile::exists(path);
        // Answered on the application's thread, where the receiver lives and
        // dies, so the guard is read where it can change.
        if (QCoreApplication *application = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                application,
                [receiver, path, exists] {
                    if (receiver)
                        receiver->deliver(path, exists);
                },
                Qt::QueuedConnection);
    }));
}

void ExistenceChecks::deliver(const QString &path, bool exists)
{
    m_underWay.remove(path);
    Q_EMIT answered(path, exists);
}

} // namespace Widgets
} // namespace Kel
