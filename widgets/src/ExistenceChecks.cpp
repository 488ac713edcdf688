// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Existence tests on a thread pool, waited for only within a bound: a test stuck on a hung share ends with the process.
#include "ExistenceChecks.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QFile>
#include <QtCore/QMetaObject>
#include <QtCore/QPointer>
#include <QtCore/QRunnable>
#include <QtCore/QThreadPool>

#include <chrono>
#include <memory>

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
    auto answer = std::make_shared<std::promise<bool>>();
    const quint64 serial = ++m_serial;
    m_underWay.insert(path, Test{serial, answer->get_future().share()});
    const QPointer<ExistenceChecks> receiver(this);
    testPool().start(QRunnable::create([receiver, path, answer, serial] {
        // The test GetRecentProjects makes.
        answer->set_value(QFile::exists(path));
        // Answered on the application's thread, where the receiver lives and
        // dies, so the guard is read where it can change.
        if (QCoreApplication *application = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                application,
                [receiver, path, serial] {
                    if (receiver)
                        receiver->deliver(path, serial);
                },
                Qt::QueuedConnection);
    }));
}

void ExistenceChecks::waitForAnswers(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    const auto underWay = m_underWay;
    for (auto it = underWay.cbegin(); it != underWay.cend(); ++it) {
        const std::chrono::milliseconds left(deadline.remainingTime());
        if (it.value().exists.wait_for(left) == std::future_status::ready)
            deliver(it.key(), it.value().serial);
    }
}

void ExistenceChecks::deliver(const QString &path, quint64 serial)
{
    // An answer that waitForAnswers() already gave is not given twice.
    const auto found = m_underWay.find(path);
    if (found == m_underWay.end() || found.value().serial != serial)
        return;
    const bool exists = found.value().exists.get();
    m_underWay.erase(found);
    Q_EMIT answered(path, exists);
}

} // namespace Widgets
} // namespace Kel
