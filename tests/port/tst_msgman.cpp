// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of the message channel: what a handler receives, handler replacement, and the fallback to Qt's log.
#include <Port/MsgManData.h>

#include "KelTestSupport.h"

#include <QtTest/QtTest>

namespace {

// What Qt's message log delivered while a CapturedQtLog lived.
struct QtLogEntry
{
    QtMsgType type = QtDebugMsg;
    QByteArray category;
    QByteArray file;
    int line = 0;
    QString text;
};

QList<QtLogEntry> s_qtLog;

void captureQtMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    s_qtLog.append(QtLogEntry{type, QByteArray(context.category), QByteArray(context.file), context.line, text});
}

// Routes Qt's log into s_qtLog with no channel handler installed, restoring both afterwards.
class CapturedQtLog
{
public:
    CapturedQtLog() : m_channel(Port_MsgManData::SetHandler({})), m_qt(qInstallMessageHandler(captureQtMessage))
    {
        s_qtLog.clear();
    }
    ~CapturedQtLog()
    {
        qInstallMessageHandler(m_qt);
        Port_MsgManData::SetHandler(std::move(m_channel));
    }
    CapturedQtLog(const CapturedQtLog &) = delete;
    CapturedQtLog &operator=(const CapturedQtLog &) = delete;

private:
    Port_MessageHandler m_channel;
    QtMessageHandler m_qt;
};

} // namespace

class TestMsgMan : public QObject
{
    Q_OBJECT

private slots:
    void handlerReceivesAllFields_data();
    void handlerReceivesAllFields();
    void setHandlerReturnsPrevious();
    void handlerMayReplaceItself();
    void withoutHandlerGoesToQtLog();
};

void TestMsgMan::handlerReceivesAllFields_data()
{
    QTest::addColumn<QByteArray>("domain");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<uint>("line");
    QTest::addColumn<QByteArray>("revision");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("all set") << QByteArray("Kel.Help") << QByteArray("Kel_Help.cpp") << 120u << QByteArray("r42")
                             << QByteArray("cannot open help");
    // Null pointers become empty fields.
    QTest::newRow("null strings") << QByteArray() << QByteArray() << 0u << QByteArray() << QByteArray("t");
    QTest::newRow("newline kept") << QByteArray("d") << QByteArray("f") << 1u << QByteArray("r")
                                  << QByteArray("ends with a newline\n");
}

void TestMsgMan::handlerReceivesAllFields()
{
    QFETCH(QByteArray, domain);
    QFETCH(QByteArray, file);
    QFETCH(uint, line);
    QFETCH(QByteArray, revision);
    QFETCH(QByteArray, text);
    auto orNull = [](const QByteArray &b) { return b.isNull() ? nullptr : b.constData(); };

    KelTest::MessageRecorder recorder;
    Port_MsgManData::createObject(orNull(domain), orNull(file), line, orNull(revision))
        .issueWarning("%s", text.constData());

    const auto messages = recorder.messages();
    QCOMPARE(messages.size(), std::size_t(1));
    const Port_Message &m = messages.front();
    QCOMPARE(m.severity, Port_Message::Warning);
    QCOMPARE(QByteArray::fromStdString(m.domain), QByteArray(domain.constData()));
    QCOMPARE(QByteArray::fromStdString(m.file), QByteArray(file.constData()));
    QCOMPARE(m.line, line);
    QCOMPARE(QByteArray::fromStdString(m.revision), QByteArray(revision.constData()));
    QCOMPARE(QByteArray::fromStdString(m.text), text);
}

void TestMsgMan::setHandlerReturnsPrevious()
{
    int firstCalls = 0;
    Port_MessageHandler original = Port_MsgManData::SetHandler([&](const Port_Message &) { ++firstCalls; });
    Port_MessageHandler first = Port_MsgManData::SetHandler([](const Port_Message &) {});
    QVERIFY(first);
    first(Port_Message{});
    QCOMPARE(firstCalls, 1);
    Port_MsgManData::SetHandler(std::move(original));
}

void TestMsgMan::handlerMayReplaceItself()
{
    // The handler runs outside the channel's lock, so this must not deadlock.
    KelTest::MessageRecorder outer;
    int calls = 0;
    Port_MessageHandler before;
    before = Port_MsgManData::SetHandler([&](const Port_Message &) {
        ++calls;
        Port_MsgManData::SetHandler(before);
    });
    const auto channel = Port_MsgManData::createObject("d", "f", 1, "r");
    channel.issueWarning("first");
    channel.issueWarning("second");
    QCOMPARE(calls, 1);
    QCOMPARE(outer.messages().size(), std::size_t(1));
}

void TestMsgMan::withoutHandlerGoesToQtLog()
{
    CapturedQtLog log;
    Port_MsgManData::createObject("Kel.Viewers", "Kel_Utility.cpp", 77, "r1").issueWarning("no viewer for %s\n", "x.pdf");

    QCOMPARE(s_qtLog.size(), 1);
    const QtLogEntry &e = s_qtLog.front();
    QCOMPARE(e.type, QtWarningMsg);
    QCOMPARE(e.category, QByteArray("Kel.Viewers"));
    QCOMPARE(e.file, QByteArray("Kel_Utility.cpp"));
    QCOMPARE(e.line, 77);
    // Qt ends each entry itself, so the channel's own final newline is dropped.
    QCOMPARE(e.text, QStringLiteral("no viewer for x.pdf"));
}

QTEST_APPLESS_MAIN(TestMsgMan)
#include "tst_msgman.moc"
