// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests whether files exist on threads of their own, so that a share that does not answer holds a thread, never the GUI.
#pragma once

#include <QtCore/QHash>
#include <QtCore/QObject>
#include <QtCore/QString>

#include <future>

namespace Kel {
namespace Widgets {

class ExistenceChecks : public QObject
{
    Q_OBJECT
public:
    explicit ExistenceChecks(QObject *parent = nullptr);

    // Starts a test of path unless one is still under way; answered() follows
    // on this object's thread. Never waits.
    void test(const QString &path);

    // Waits at most timeoutMs for the tests under way and emits answered() at
    // once for those that answer meanwhile; the others answer later.
    void waitForAnswers(int timeoutMs);

Q_SIGNALS:
    void answered(const QString &path, bool exists);

private:
    struct Test
    {
        quint64 serial;
        std::shared_future<bool> exists;
    };

    void deliver(const QString &path, quint64 serial);

    QHash<QString, Test> m_underWay;
    quint64 m_serial = 0;
};

} // namespace Widgets
} // namespace Kel
