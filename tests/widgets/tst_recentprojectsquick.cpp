// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Kel::RecentProjectsModel in a Qt Quick ListView: the rows a delegate sees, from the start and as the store changes.
#include <Kel_RecentProjectsModel.h>
#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <KelTestSupport.h>

#include "WidgetTestMain.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>
#include <QtQuick/QQuickItem>
#include <QtQuick/QQuickView>

class RecentProjectsQuickTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listViewShowsTheRows();

private:
    QTemporaryDir m_files;
};

void RecentProjectsQuickTest::listViewShowsTheRows()
{
    KelTest::ScopedConfigHome home;
    const QString found = m_files.filePath(QStringLiteral("sub/a.qpf"));
    const QString missing = m_files.filePath(QStringLiteral("x.qpf"));
    QVERIFY(QDir().mkpath(QFileInfo(found).path()));
    QVERIFY(QFile(found).open(QIODevice::WriteOnly));
    const auto record = [](const QString &path) {
        Kel::UserSettings::SetPreviousProjectName(Kel::Utility::QStringToPortString(path));
    };
    record(missing);

    QQuickWindow::setSceneGraphBackend(QStringLiteral("software"));  // no OpenGL to count on offscreen
    Kel::RecentProjectsModel model;
    QQuickView view;
    view.setSource(QUrl::fromLocalFile(QStringLiteral(KEL_RECENT_PROJECTS_QML)));
    QCOMPARE(view.status(), QQuickView::Ready);
    QQuickItem *list = view.rootObject();
    list->setProperty("model", QVariant::fromValue<QObject *>(&model));
    view.show();

    // What the delegate of the QML file shows for each row: name|path|folder|exists.
    const auto rows = [list] {
        QStringList texts;
        for (int i = 0; i < list->property("count").toInt(); ++i) {
            QQuickItem *item = nullptr;
            QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, item), Q_ARG(int, i));
            texts << (item ? item->property("text").toString() : QString());
        }
        return texts;
    };
    const QString folder = QDir::toNativeSeparators(m_files.path());
    const QString missingRow = QLatin1String("x.qpf|") + missing + QLatin1Char('|') + folder + QLatin1String("|false");
    QTRY_COMPARE(rows(), QStringList{missingRow});
    record(found);  // while shown
    QTRY_COMPARE(rows(), (QStringList{QLatin1String("a.qpf|") + found + QLatin1Char('|') + folder +
                                          QDir::separator() + QLatin1String("sub|true"),
                                      missingRow}));
}

int main(int argc, char **argv)
{
    return WidgetTest::run<RecentProjectsQuickTest>(argc, argv);
}

#include "tst_recentprojectsquick.moc"
