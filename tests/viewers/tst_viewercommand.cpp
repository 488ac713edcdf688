// Tests of Kel::ViewerCommand: what a command line starts for a file or URL, and what keeps it from starting, on real files and PATH.
#include "ArgRecorder.h"
#include "ViewerTestSupport.h"

#include <Kel_ViewerCommand.h>
#include <Port/Env.h>

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
const QString kUrl = QStringLiteral("https://example.com/a?b=c&d=%1");

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

QString problemName(ViewerCommand::Problem problem)
{
    switch (problem) {
    case ViewerCommand::UnbalancedQuote:
        return QStringLiteral("UnbalancedQuote");
    case ViewerCommand::NoProgram:
        return QStringLiteral("NoProgram");
    case ViewerCommand::ProgramNotFound:
        return QStringLiteral("ProgramNotFound");
    case ViewerCommand::NotExecutable:
        return QStringLiteral("NotExecutable");
    case ViewerCommand::QuotedArgument:
        return QStringLiteral("QuotedArgument");
    case ViewerCommand::TargetRefused:
        return QStringLiteral("TargetRefused");
    }
    return QString();
}

} // namespace

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
    Port_Env::OverrideIsNt(std::nullopt);
}

QString TestViewerCommand::expand(QString text) const
{
    text.replace(QLatin1String("<rec>"), m_recorder);
    text.replace(QLatin1String("<plain>"), m_work.filePath(QStringLiteral("notes.txt")));
    text.replace(QLatin1String("<dir>"), m_work.path());
    text.replace(QLatin1String("<bin>"), QFileInfo(KelTest::argRecorderPath()).path());
    return text;
}

void TestViewerCommand::reading_data()
{
    QTest::addColumn<bool>("pdf");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("program");      // as the launcher is given it
    QTest::addColumn<QString>("programPath");  // what would run; empty: nothing
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<QString>("described");    // part of the first problem's words
    QTest::addColumn<bool>("windowsNt");
    QTest::addColumn<int>("remote");

    const QString rec = QStringLiteral("<rec>");
    const QString file = QDir::toNativeSeparators(kFile);
    const QString bare = QStringLiteral("kel_argrecorder");
    const QString found = QStringLiteral("<bin>/kel_argrecorder") + QLatin1String(ProgramSuffix);
    const QStringList none;

    QTest::newRow("quoted program, arguments and %1")
        << true << S("\"<rec>\" --page 2 %1") << kFile << rec << rec << QStringList{S("--page"), S("2"), file} << none
        << QString() << false << -1;
    QTest::newRow("%1 inside an argument, twice") << true << S("\"<rec>\" --file=%1:%1") << kFile << rec << rec
                                                  << QStringList{S("--file=") + file + QLatin1Char(':') + file} << none << QString()
                                                  << false << -1;
    QTest::newRow("no %1: the file appended as given") << true << S("\"<rec>\" -a") << kFile << rec << rec
                                                      << QStringList{S("-a"), kFile} << none << QString() << false << -1;
    QTest::newRow("file beginning with '-'") << true << S("\"<rec>\" %1") << S("-x.pdf") << rec << rec
                                            << QStringList{QDir::toNativeSeparators(QStringLiteral("./-x.pdf"))}
                                            << none << QString() << false << -1;
    QTest::newRow("bare name in an absolute PATH folder") << true << S("kel_argrecorder %1") << kFile << bare << found
                                                          << QStringList{file} << none << QString() << false << -1;
    QTest::newRow("empty") << true << QString() << kFile << QString() << QString() << QStringList{kFile}
                           << QStringList{S("NoProgram")} << S("no program to start") << false << -1;
    QTest::newRow("leading blank") << true << S(" kel_argrecorder %1") << kFile << QString() << QString()
                                   << QStringList{bare, file} << QStringList{S("NoProgram")} << S("no program") << false
                                   << -1;
    QTest::newRow("bare name on no PATH folder")
        << true << S("no-such-viewer-4711 %1") << kFile << S("no-such-viewer-4711") << QString() << QStringList{file}
        << QStringList{S("ProgramNotFound")} << S("'no-such-viewer-4711' is not found in the absolute entries of PATH")
        << false << -1;
    // "." and "bin" name the working folder: never searched.
    QTest::newRow("bare name only in a relative PATH entry")
        << true << S("kel-planted %1") << kFile << S("kel-planted") << QString() << QStringList{file}
        << QStringList{S("ProgramNotFound")} << S("absolute entries of PATH") << false << -1;
    QTest::newRow("blank in an unquoted path")
        << true << S("<rec> %1") << kFile << S("<dir>/my") << S("<dir>/my") << QStringList{S("viewers/rec") + QLatin1String(ProgramSuffix), file}
        << QStringList{S("ProgramNotFound")} << S("does not exist") << false << -1;
    QTest::newRow("a file that is no program") << true << S("\"<plain>\" %1") << kFile << S("<plain>") << S("<plain>")
                                               << QStringList{file} << QStringList{S("NotExecutable")}
                                               << S("is not an executable file") << false << -1;
    QTest::newRow("a folder") << true << S("\"<dir>\" %1") << kFile << S("<dir>") << S("<dir>") << QStringList{file}
                              << QStringList{S("NotExecutable")} << S("is not an executable file") << false << -1;
    // No closing quote: the whole line becomes arguments, the quote joined to the first.
    QTest::newRow("unbalanced quote") << true << S("\"<rec> %1") << kFile << QString() << QString()
                                      << QStringList{S("\"<dir>/my"), S("viewers/rec") + QLatin1String(ProgramSuffix), file}
                                      << QStringList{S("UnbalancedQuote"), S("NoProgram")} << S("no partner") << false << -1;
    QTest::newRow("double-quoted %1") << true << S("\"<rec>\" \"%1\"") << kFile << rec << rec
                                      << QStringList{QLatin1Char('"') + file + QLatin1Char('"')} << QStringList{S("QuotedArgument")}
                                      << S("quote marks reach the PDF viewer") << false << -1;
    QTest::newRow("single-quoted %1, browser") << false << S("\"<rec>\" '%1'") << kUrl << rec << rec
                                               << QStringList{QLatin1Char('\'') + kUrl + QLatin1Char('\'')} << QStringList{S("QuotedArgument")}
                                               << S("quote marks reach the web browser") << false << -1;
    QTest::newRow("URL never converted") << false << S("\"<rec>\" --new %1") << kUrl << rec << rec
                                         << QStringList{S("--new"), kUrl} << none << QString() << false << -1;
    QTest::newRow("empty URL") << false << S("\"<rec>\" %1") << QString() << rec << rec << QStringList{QString()}
                               << QStringList{S("TargetRefused")} << S("the URL is empty") << false << -1;
    QTest::newRow("URL read as an option") << false << S("\"<rec>\" %1") << S("--help") << rec << rec
                                           << QStringList{S("--help")} << QStringList{S("TargetRefused")}
                                           << S("begins with '-'") << false << -1;
    QTest::newRow("remote-control form") << false << S("\"<rec>\" -remote openURL(%1)") << kUrl << rec << rec
                                         << QStringList{S("-remote"), S("openURL(") + kUrl + QLatin1Char(')')} << none << QString()
                                         << false << 0;
    QTest::newRow("two -remote: the later counts")
        << false << S("\"<rec>\" -remote -a -REMOTE openurl(%1)") << kUrl << rec << rec
        << QStringList{S("-remote"), S("-a"), S("-REMOTE"), S("openurl(") + kUrl + QLatin1Char(')')} << none << QString() << false << 2;
    QTest::newRow("-remote without openURL") << false << S("\"<rec>\" -remote %1") << kUrl << rec << rec
                                             << QStringList{S("-remote"), kUrl} << none << QString() << false << -1;
    QTest::newRow("remote-control form on Windows NT")
        << false << S("\"<rec>\" -remote openURL(%1)") << kUrl << rec << rec
        << QStringList{S("-remote"), S("openURL(") + kUrl + QLatin1Char(')')} << none << QString() << true << -1;
    QTest::newRow("-remote in a PDF viewer's line") << true << S("\"<rec>\" -remote openURL(%1)") << kFile << rec << rec
                                                   << QStringList{S("-remote"), S("openURL(") + file + QLatin1Char(')')} << none
                                                   << QString() << false << -1;
}

void TestViewerCommand::reading()
{
    QFETCH(bool, pdf);
    QFETCH(QString, commandLine);
    QFETCH(QString, target);
    QFETCH(QString, program);
    QFETCH(QString, programPath);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, problems);
    QFETCH(QString, described);
    QFETCH(bool, windowsNt);
    QFETCH(int, remote);

    const QString bin = QDir::toNativeSeparators(QFileInfo(KelTest::argRecorderPath()).path());
    qputenv("PATH", QFile::encodeName(bin + QDir::listSeparator() + QLatin1Char('.') + QDir::listSeparator()
                                      + QLatin1String("bin")));
    QVERIFY(QDir::setCurrent(m_work.path()));
    Port_Env::OverrideIsNt(windowsNt);

    const ViewerCommand command(pdf ? ViewerCommand::PdfViewer : ViewerCommand::WebBrowser, expand(commandLine),
                                target);
    QStringList got;
    for (const ViewerCommand::Problem problem : command.problems())
        got << problemName(problem);
    QCOMPARE(command.program(), expand(program));
    QCOMPARE(QDir::fromNativeSeparators(command.programPath()), expand(programPath));
    QCOMPARE(command.arguments(), arguments.replaceInStrings(QLatin1String("<dir>"), m_work.path()));
    QCOMPARE(got, problems);
    QCOMPARE(command.remoteArgument(), remote);
    if (!problems.isEmpty()) {
        const QString words = command.describe(command.problems().first());
        QVERIFY2(words.contains(expand(described)), qPrintable(words));
    }
}

QTEST_GUILESS_MAIN(TestViewerCommand)
#include "tst_viewercommand.moc"
