// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of help topics: every request goes to the installed help manager under the plugin's help map.
#include "KelTestSupport.h"
#include "RecordingHelpManager.h"

#include <Kel_Help.h>

#include <QtTest/QtTest>

namespace {
const QString kHelpMap = QStringLiteral("plugin_bqn.map");
}

class TestHelpTopics : public QObject
{
    Q_OBJECT

private slots:
    void withoutHelpManager();
    void topicReachesHelpManager_data();
    void topicReachesHelpManager();
    void everyCallIsARequest();
};

// No manager installed: nothing to ask, nothing to report, and a manager that
// exists but was never installed hears nothing.
void TestHelpTopics::withoutHelpManager()
{
    KelTest::MessageRecorder recorder;
    KelTest::RecordingHelpManager bystander;
    QVERIFY(!Gui::Wisp::HelpManager::getInstance());

    Kel::Help::ShowHelpTopic(QStringLiteral("Overview"));

    QVERIFY(bystander.topics.isEmpty());
    QVERIFY(recorder.lines().isEmpty());
}

void TestHelpTopics::topicReachesHelpManager_data()
{
    QTest::addColumn<QString>("topic");
    QTest::addColumn<bool>("succeeds");

    QTest::newRow("plain") << QStringLiteral("Overview") << true;
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("blanksAndPunctuation") << QStringLiteral(" Core settings: #2 & more ") << true;
    QTest::newRow("formatDirectives") << QStringLiteral("%1 %s %n") << true;
    QTest::newRow("nonAscii") << QStringLiteral("Übersicht→帮助") << true;
    // A failing manager reports for itself; the request was still made as asked.
    QTest::newRow("managerFails") << QStringLiteral("Overview") << false;
}

void TestHelpTopics::topicReachesHelpManager()
{
    QFETCH(QString, topic);
    QFETCH(bool, succeeds);

    KelTest::MessageRecorder recorder;
    KelTest::RecordingHelpManager manager;
    manager.runSucceeds = succeeds;
    manager.install();

    Kel::Help::ShowHelpTopic(topic);

    QCOMPARE(manager.topics.size(), 1);
    QCOMPARE(manager.topics.first().mapName, kHelpMap);
    QCOMPARE(manager.topics.first().topic, topic);
    QCOMPARE(manager.topics.first().prefix, Gui::Wisp::HelpManager::NoPrefix);
    QVERIFY(manager.pdfFiles.isEmpty() && manager.urls.isEmpty());
    QVERIFY(recorder.lines().isEmpty());
}

// Nothing is remembered or merged between calls.
void TestHelpTopics::everyCallIsARequest()
{
    KelTest::RecordingHelpManager manager;
    manager.install();

    Kel::Help::ShowHelpTopic(QStringLiteral("First"));
    Kel::Help::ShowHelpTopic(QStringLiteral("First"));
    Kel::Help::ShowHelpTopic(QStringLiteral("Second"));

    QStringList topics;
    for (const KelTest::RecordingHelpManager::TopicRequest &request : manager.topics)
        topics << request.topic;
    QCOMPARE(topics, (QStringList{QStringLiteral("First"), QStringLiteral("First"), QStringLiteral("Second")}));
}

QTEST_GUILESS_MAIN(TestHelpTopics)
#include "tst_helptopics.moc"
