// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// No shell anywhere in the library, its platform layer, its headers and its tools: a scan of the sources.
#include <QtCore/QDirIterator>
#include <QtCore/QFile>
#include <QtCore/QRegularExpression>
#include <QtTest/QtTest>

namespace {

const QString kSourceDir = QStringLiteral(KEL_SOURCE_DIR);

// What starts a command through a shell, or names one. system() is matched
// unqualified, global or std:: only, so QLocale::system() is no hit.
const QList<QPair<QString, QRegularExpression>> &shellPatterns()
{
    static const QList<QPair<QString, QRegularExpression>> patterns{
        {QStringLiteral("system("), QRegularExpression(QStringLiteral("(^|[^\\w:.>]|(^|\\W)::|\\bstd::)system\\s*\\("))},
        {QStringLiteral("popen("), QRegularExpression(QStringLiteral("\\b_?popen\\s*\\("))},
        {QStringLiteral("wordexp("), QRegularExpression(QStringLiteral("\\bwordexp\\s*\\("))},
        {QStringLiteral("\"sh\""), QRegularExpression(QStringLiteral("\"sh\""))},
        {QStringLiteral("\"-c\""), QRegularExpression(QStringLiteral("\"-c\""))},
        {QStringLiteral("/bin/sh"), QRegularExpression(QStringLiteral("/bin/sh\\b"))},
    };
    return patterns;
}

// "file:line: pattern" for each hit in the C++ sources under folder; the
// developers' own scripts there are shell scripts by nature.
QStringList hitsUnder(const QString &folder)
{
    QStringList hits;
    QDirIterator it(kSourceDir + QLatin1Char('/') + folder, {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (int n = 0; n < lines.size(); ++n) {
            const QString line = QString::fromUtf8(lines.at(n));
            for (const auto &pattern : shellPatterns()) {
                if (pattern.second.match(line).hasMatch())
                    hits << path.mid(kSourceDir.size() + 1) + QLatin1Char(':') + QString::number(n + 1)
                                + QLatin1String(": ") + pattern.first;
            }
        }
    }
    return hits;
}

} // namespace

class TestNoShell : public QObject
{
    Q_OBJECT

private slots:
    void patternsFindShellUse_data();
    void patternsFindShellUse();
    void sourcesNeverUseAShell_data();
    void sourcesNeverUseAShell();
};

// The scan is only as good as its patterns.
void TestNoShell::patternsFindShellUse_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("hit");
    QTest::newRow("system") << QStringLiteral("    system(command);") << true;
    QTest::newRow("global system") << QStringLiteral("::system(cmd)") << true;
    QTest::newRow("std::system") << QStringLiteral("return std::system (cmd);") << true;
    QTest::newRow("popen") << QStringLiteral("FILE *f = popen(cmd, \"r\");") << true;
    QTest::newRow("_popen") << QStringLiteral("_popen(cmd, \"r\")") << true;
    QTest::newRow("sh literal") << QStringLiteral("execl(\"/usr/bin/env\", \"sh\", nullptr);") << true;
    QTest::newRow("-c literal") << QStringLiteral("args << \"-c\" << line;") << true;
    QTest::newRow("bin sh") << QStringLiteral("QProcess::execute(\"/bin/sh\")") << true;
    QTest::newRow("QLocale::system") << QStringLiteral("pageLocaleOf(QLocale::system());") << false;
    QTest::newRow("systemEnvironment") << QStringLiteral("QProcessEnvironment::systemEnvironment()") << false;
    QTest::newRow("filesystem") << QStringLiteral("std::filesystem::path p;") << false;
    QTest::newRow("member system") << QStringLiteral("locale.system()") << false;
    QTest::newRow("bin shell-like") << QStringLiteral("/bin/shred") << false;
}

void TestNoShell::patternsFindShellUse()
{
    QFETCH(QString, line);
    QFETCH(bool, hit);
    bool found = false;
    for (const auto &pattern : shellPatterns())
        found = found || pattern.second.match(line).hasMatch();
    QCOMPARE(found, hit);
}

void TestNoShell::sourcesNeverUseAShell_data()
{
    QTest::addColumn<QString>("folder");
    for (const char *folder : {"s", "platform", "tools", "include", "widgets"})
        QTest::newRow(folder) << QString::fromLatin1(folder);
}

void TestNoShell::sourcesNeverUseAShell()
{
    QFETCH(QString, folder);
    QVERIFY(QDir(kSourceDir + QLatin1Char('/') + folder).exists());
    const QStringList hits = hitsUnder(folder);
    QVERIFY2(hits.isEmpty(), qPrintable(hits.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestNoShell)
#include "tst_noshell.moc"
