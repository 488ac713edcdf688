// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests whether files exist on threads of their own, so that a share that does not answer holds a thread, never the GUI.
#pragma once

#include <QtCore/QObject>
#include <QtCore/QSet>
#include <QtCore/QString>

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

Q_SIGNALS:
    void answered(const QString &path, bool exists);

private:
    void deliver(const QString &path, bool exists);

    QSet<QString> m_underWay;
};

} // namespace Widgets
} // namespace Kel
