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
#include <QtCore/QTemporaryDir>
#include <QtQuick/QQuickItem>
#include <QtQuick/QQuickView>
#include <QtTest/QTest>

namespace {

// What the delegate of recentprojects.qml shows for a row.
QStringList delegateTexts(QQuickItem *view)
{
    QStringList texts;
    const int count = view->property("count").toInt();
    for (int i = 0; i < count; ++i) {
        QQuickItem *item = nullptr;
        QMetaObject::invokeMethod(view, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, item), Q_ARG(int, i));
        texts << (item ? item->property("text").toString() : QStringLiteral("(no delegate)"));
    }
    return texts;
}

} // namespace

class RecentProjectsQuickTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void listViewShowsTheRows_data();
    void listViewShowsTheRows();

private:
    QTemporaryDir m_files;
};

void RecentProjectsQuickTest::initTestCase()
{
    // The offscreen platform has no OpenGL to count on.
    QQuickWindow::setSceneGraphBackend(QStringLiteral("software"));
    QVERIFY(m_files.isValid());
}

void RecentProjectsQuickTest::listViewShowsTheRows_data()
{
    QTest::addColumn<QStringList>("stored");  // most recent first; "!" marks a file that does not exist
    QTest::addColumn<bool>("storedLater");    // after the view was shown

    QTest::newRow("nothing stored") << QStringList() << false;
    QTest::newRow("one missing among two") << QStringList{QStringLiteral("a.qpf"), QStringLiteral("!x.qpf")} << false;
    QTest::newRow("recorded while shown") << QStringList{QStringLiteral("sub/b.qpf"), QStringLiteral("!y.qpf")} << true;
}

void RecentProjectsQuickTest::listViewShowsTheRows()
{
    QFETCH(QStringList, stored);
    QFETCH(bool, storedLater);
    KelTest::ScopedConfigHome home;
    QStringList expected;
    QStringList paths;
    for (const QString &name : stored) {
        const bool missing = name.startsWith(QLatin1Char('!'));
        const QString path = m_files.filePath(name.mid(missing ? 1 : 0));
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(missing ? !file.exists() : file.open(QIODevice::WriteOnly));
        const QFileInfo info(path);
        expected << QStringList{info.fileName(), path, QDir::toNativeSeparators(info.path()),
                                missing ? QStringLiteral("false") : QStringLiteral("true")}
                        .join(QLatin1Char('|'));
        paths << path;
    }
    const auto record = [&paths] {
        for (auto it = paths.crbegin(); it != paths.crend(); ++it)
            Kel::UserSettings::SetPreviousProjectName(Kel::Utility::QStringToPortString(*it));
    };
    if (!storedLater)
        record();

    Kel::RecentProjectsModel model;
    QQuickView view;
    view.setSource(QUrl::fromLocalFile(QStringLiteral(KEL_RECENT_PROJECTS_QML)));
    QCOMPARE(view.status(), QQuickView::Ready);
    QQuickItem *list = view.rootObject();
    list->setProperty("model", QVariant::fromValue<QObject *>(&model));
    view.show();
    if (storedLater)
        record();
    QTRY_COMPARE(delegateTexts(list), expected);
}

int main(int argc, char **argv)
{
    return WidgetTest::run<RecentProjectsQuickTest>(argc, argv);
}

#include "tst_recentprojectsquick.moc"
