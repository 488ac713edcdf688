// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of Kel::ViewerCommand: what a command line starts for a file or URL, and what keeps it from starting, on real files and PATH.
#include "ArgRecorder.h"
#include "ViewerTestSupport.h"
#include "Kel_UserSettingsInternal.h"

#include <Kel_ViewerCommand.h>

#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

using Kel::ViewerCommand;

namespace {

#if defined(Q_OS_WIN)
constexpr char ProgramSuffix[] = ".exe";
#else
constexpr char ProgramSuffix[] = "";
#endif
const QString kFile = QStringLiteral("/tmp/docs/manual.pdf");
const QString kUrl = QStringLiteral("https://example.com/a");

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

using Problems = QList<ViewerCommand::Problem>;

} // namespace

Q_DECLARE_METATYPE(Problems)

class TestViewerCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void reading_data();
    void reading();

private:
    // <rec>: a program in a folder whose name holds a blank; <plain>: a file
    // that is no program; <dir>: a folder; <bin>: the folder of the project's
    // programs, the only absolute entry of PATH.
    QString expand(QString text) const;

    QTemporaryDir m_work;
    QString m_recorder;
    QByteArray m_savedPath;
    QString m_savedCwd;
};

void TestViewerCommand::initTestCase()
{
    QVERIFY(m_work.isValid());
    QVERIFY2(QFile::exists(KelTest::argRecorderPath()), "kel_argrecorder is not built beside the tests");
    QVERIFY(QDir().mkpath(m_work.filePath(QStringLiteral("my viewers"))));
    m_recorder = m_work.filePath(QStringLiteral("my viewers/rec")) + QLatin1String(ProgramSuffix);
    QVERIFY(QFile::copy(KelTest::argRecorderPath(), m_recorder));
    QFile plain(m_work.filePath(QStringLiteral("notes.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write("not a program\n") > 0);
    // A program in the working folder, which a relative PATH entry names.
    QVERIFY(QFile::copy(KelTest::argRecorderPath(), m_work.filePath(QStringLiteral("kel-planted"))
                                                        + QLatin1String(ProgramSuffix)));
    m_savedPath = qgetenv("PATH");
    m_savedCwd = QDir::currentPath();
}

void TestViewerCommand::cleanup()
{
    qputenv("PATH", m_savedPath);
    QDir::setCurrent(m_savedCwd);
    Kel::detail::OverrideIsNt(std::nullopt);
}

QString TestViewerCommand::expand(QString text) const
{
    text.replace(QLatin1String("<rec>"), m_recorder);
    text.replace(QLatin1String("<plain>"), m_work.filePath(QStringLiteral("notes.txt")));
    text.replace(QLatin1String("<dir>"), m_work.path());
    text.replace(QLatin1String("<bin>"), QFileInfo(KelTest::argRecorderPath()).path());
    return text;
}

// What the arguments become is tried against real launches in tst_viewerlaunch.
void TestViewerCommand::reading_data()
{
    QTest::addColumn<bool>("pdf");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("program");      // as the launcher is given it
    QTest::addColumn<QString>("programPath");  // what would run; empty: nothing
    QTest::addColumn<Problems>("problems");
    QTest::addColumn<QString>("described");    // part of the first problem's words
    QTest::addColumn<bool>("windowsNt");
    QTest::addColumn<int>("remote");

    const QString rec = S("<rec>");
    QTest::newRow("bare name in an absolute PATH folder")
        << true << S("kel_argrecorder %1") << kFile << S("kel_argrecorder")
        << S("<bin>/kel_argrecorder") + QLatin1String(ProgramSuffix) << Problems() << QString() << false << -1;
    QTest::newRow("leading blank") << true << S(" kel_argrecorder %1") << kFile << QString() << QString()
                                   << Problems{ViewerCommand::NoProgram} << S("no program to start") << false << -1;
    QTest::newRow("bare name on no PATH folder")
        << true << S("no-such-viewer-4711 %1") << kFile << S("no-such-viewer-4711") << QString()
        << Problems{ViewerCommand::ProgramNotFound}
        << S("the program 'no-such-viewer-4711' is not found in the absolute entries of PATH") << false << -1;
    // "." and "bin" name the working folder, which holds the program: never searched.
    QTest::newRow("bare name only in a relative PATH entry")
        << true << S("kel-planted %1") << kFile << S("kel-planted") << QString() << Problems{ViewerCommand::ProgramNotFound}
        << S("absolute entries of PATH") << false << -1;
    // Found from this working folder or not, a relative path depends on the host's.
    const QString planted = S("./kel-planted") + QLatin1String(ProgramSuffix);
    QTest::newRow("relative path found from here")
        << true << planted + S(" %1") << kFile << planted << planted << Problems{ViewerCommand::RelativeProgram}
        << S("is a relative path") << false << -1;
    QTest::newRow("relative path with a missing program")
        << true << S("sub/none \"%1\"") << kFile << S("sub/none") << S("sub/none")
        << Problems{ViewerCommand::QuotedArgument, ViewerCommand::RelativeProgram} << S("quote marks") << false << -1;
    QTest::newRow("blank in an unquoted path") << true << S("<rec> %1") << kFile << S("<dir>/my") << S("<dir>/my")
                                               << Problems{ViewerCommand::ProgramNotFound} << S("does not exist")
                                               << false << -1;
    QTest::newRow("a file that is no program") << true << S("\"<plain>\" %1") << kFile << S("<plain>") << S("<plain>")
                                               << Problems{ViewerCommand::NotExecutable}
                                               << S("is not an executable file") << false << -1;
    QTest::newRow("unbalanced quote") << true << S("\"<rec> %1") << kFile << QString() << QString()
                                      << Problems{ViewerCommand::UnbalancedQuote, ViewerCommand::NoProgram}
                                      << S("no partner") << false << -1;
    QTest::newRow("quoted %1") << true << S("\"<rec>\" \"%1\"") << kFile << rec << rec
                               << Problems{ViewerCommand::QuotedArgument} << S("quote marks reach the PDF viewer")
                               << false << -1;
    QTest::newRow("quotes in an option, not around %1")
        << true << S("\"<rec>\" \"--title=a b\" %1") << kFile << rec << rec << Problems() << QString() << false << -1;
    QTest::newRow("URL read as an option") << false << S("\"<rec>\" %1") << S("--help") << rec << rec
                                           << Problems{ViewerCommand::TargetRefused} << S("begins with '-'") << false
                                           << -1;
    QTest::newRow("remote-control form") << false << S("\"<rec>\" -remote openURL(%1)") << kUrl << rec << rec
                                         << Problems() << QString() << false << 0;
    QTest::newRow("two -remote: the later counts") << false << S("\"<rec>\" -remote -a -REMOTE openurl(%1)") << kUrl
                                                   << rec << rec << Problems() << QString() << false << 2;
    QTest::newRow("remote-control form on Windows NT") << false << S("\"<rec>\" -remote openURL(%1)") << kUrl << rec
                                                       << rec << Problems() << QString() << true << -1;
}

void TestViewerCommand::reading()
{
    QFETCH(bool, pdf);
    QFETCH(QString, commandLine);
    QFETCH(QString, target);
    QFETCH(QString, program);
    QFETCH(QString, programPath);
    QFETCH(Problems, problems);
    QFETCH(QString, described);
    QFETCH(bool, windowsNt);
    QFETCH(int, remote);

    const QString bin = QDir::toNativeSeparators(QFileInfo(KelTest::argRecorderPath()).path());
    qputenv("PATH", QFile::encodeName(bin + QDir::listSeparator() + QLatin1Char('.') + QDir::listSeparator()
                                      + QLatin1String("bin")));
    QVERIFY(QDir::setCurrent(m_work.path()));
    Kel::detail::OverrideIsNt(windowsNt);

    const ViewerCommand command(pdf ? ViewerCommand::PdfViewer : ViewerCommand::WebBrowser, expand(commandLine),
                                target);
    QCOMPARE(command.program(), expand(program));
    QCOMPARE(QDir::fromNativeSeparators(command.programPath()), expand(programPath));
    QCOMPARE(command.problems(), problems);
    QCOMPARE(command.remoteArgument(), remote);
    if (!problems.isEmpty())
        QVERIFY2(command.describe(problems.first()).contains(described), qPrintable(command.describe(problems.first())));
}

QTEST_GUILESS_MAIN(TestViewerCommand)
#include "tst_viewercommand.moc"
