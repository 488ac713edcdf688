// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel_recent_projects_quick: a Qt Quick host that lists the recent projects through Kel::RecentProjectsModel.
//
// kel_recent_projects_quick [FILE...]   records each FILE as a recent project (the last one the most recent),
//                                       then shows the list; choosing a project records it again, as opening it would
#include <Kel_RecentProjectsModel.h>

#include <QtCore/QFileInfo>
#include <QtCore/QUrl>
#include <QtGui/QGuiApplication>
#include <QtQuick/QQuickView>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    auto *recent = new Kel::RecentProjectsModel(&app);
    const QStringList files = QCoreApplication::arguments().mid(1);
    for (const QString &file : files)
        recent->addProject(QFileInfo(file).absoluteFilePath());

    QQuickView view;
    view.setTitle(QCoreApplication::translate("main", "Recent Projects"));
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.setInitialProperties({{QStringLiteral("recentProjects"), QVariant::fromValue<QObject *>(recent)}});
    view.setSource(QUrl(QStringLiteral("qrc:/main.qml")));
    if (view.status() != QQuickView::Ready)
        return 1;  // QQuickView has printed why
    view.show();
    return app.exec();
}
