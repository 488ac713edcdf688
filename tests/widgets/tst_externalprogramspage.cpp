// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Kel::ExternalProgramsPage on real stores: its layout, the verdict line, "Browse…", "Try" through the argument recorder and late failures, apply(), reset(), restoreDefaults() and changed().
#include <Kel_ExternalProgramsPage.h>
#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <ArgRecorder.h>
#include <KelTestSupport.h>
#include <ViewerCommandTable.h>

#include "WidgetTestMain.h"
#include <VariantTransport.h>

#include <Gui/Wisp/DesktopHelpManager.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QFile>
#include <QtCore/QHash>
#include <QtCore/QLocale>
#include <QtCore/QSet>
#include <QtCore/QSettings>
#include <QtCore/QTimer>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDialog>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QVBoxLayout>
#if QT_CONFIG(accessibility)
#include <QtGui/QAccessible>
#endif

#include <cstdio>

namespace {

using Kel::UserSettings;

// Late failures are reported up to three seconds after the start; the rest is margin.
constexpr int ReportWaitMs = 30000;
constexpr char Pdf[] = "pdfViewer";
constexpr char Browser[] = "webBrowser";
// Windows runs only a file whose extension names a program.
#if defined(Q_OS_WIN)
constexpr char RecorderCopyName[] = "rec.exe";
#else
constexpr char RecorderCopyName[] = "rec";
#endif

struct ProgramControls
{
    QRadioButton *useDefault;
    QRadioButton *useCommand;
    QLineEdit *commandLine;
    QPushButton *browse;
    QLabel *verdict;
    QPushButton *tryIt;
    QLabel *tried;

    bool complete() const { return useDefault && useCommand && commandLine && browse && verdict && tryIt && tried; }
};

template <typename Control>
Control *part(const QWidget &page, const char *prefix, const char *name)
{
    return page.findChild<Control *>(QLatin1String(prefix) + QLatin1String(name));
}

// prefix: "pdfViewer" or "webBrowser".
ProgramControls controlsOf(const QWidget &page, const char *prefix)
{
    return {part<QRadioButton>(page, prefix, "UseDefault"), part<QRadioButton>(page, prefix, "UseCommand"),
            part<QLineEdit>(page, prefix, "CommandLine"),   part<QPushButton>(page, prefix, "Browse"),
            part<QLabel>(page, prefix, "Verdict"),          part<QPushButton>(page, prefix, "Try"),
            part<QLabel>(page, prefix, "Tried")};
}

// The messages of the page that the window does not show whole.
QStringList clippedMessages(const QWidget &window)
{
    QStringList clipped;
    for (const QLabel *label : window.findChildren<QLabel *>()) {
        const QRect shown(label->mapTo(&window, QPoint()), label->size());
        if (label->wordWrap() && !label->text().isEmpty()
            && (label->height() < label->heightForWidth(label->width()) || !window.rect().contains(shown)))
            clipped << label->objectName();
    }
    return clipped;
}

QString storedText(const QString &storeFile, const char *key)
{
    QSettings onDisk(storeFile, QSettings::IniFormat);
    return onDisk.contains(QLatin1String(key)) ? onDisk.value(QLatin1String(key)).toString() : QStringLiteral("<unset>");
}

// The desktop opener is looked up on PATH (the registered program on Windows,
// where the test prefix registers the recorder): this one records.
QString plantDesktopOpener(const QTemporaryDir &dir)
{
#if defined(Q_OS_WIN)
    Q_UNUSED(dir)
    return qEnvironmentVariable("PATH");
#else
    const QString folder = dir.path() + QLatin1String("/opener");
    QDir().mkpath(folder);
    QFile::copy(KelTest::argRecorderPath(), folder + QLatin1String("/xdg-open"));
    return folder;
#endif
}

class ScopedVariable
{
public:
    ScopedVariable(const char *name, const QString &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_previous(qgetenv(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedVariable()
    {
        if (m_had)
            qputenv(m_name, m_previous);
        else
            qunsetenv(m_name);
    }
    ScopedVariable(const ScopedVariable &) = delete;
    ScopedVariable &operator=(const ScopedVariable &) = delete;

private:
    const char *m_name;
    bool m_had;
    QByteArray m_previous;
};

} // namespace

class ExternalProgramsPageTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyControlIsNamedAndReachable();
    void messagesAreNeverClipped_data();
    void messagesAreNeverClipped();
    void applyStoresAndResetReads();
    void verdictAndTryFollowTheLibrarysCheck_data();
    void verdictAndTryFollowTheLibrarysCheck();
    void browseQuotesAPathWithBlanks_data();
    void browseQuotesAPathWithBlanks();
    void lateFailureIsShown_data();
    void lateFailureIsShown();
};

void ExternalProgramsPageTest::everyControlIsNamedAndReachable()
{
    KelTest::ScopedConfigHome home;
    Kel::ExternalProgramsPage page;
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    for (const char *prefix : {Pdf, Browser}) {
        const ProgramControls controls = controlsOf(page, prefix);
        QVERIFY2(controls.complete(), prefix);
        QVERIFY(controls.useDefault->isChecked());
        QVERIFY(!controls.commandLine->isEnabled());
        // From the keyboard: the choice, then the command line it enables.
        controls.useDefault->setFocus();
        QTest::keyClick(controls.useDefault, Qt::Key_Down);
        QVERIFY(controls.useCommand->isChecked());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), controls.commandLine);
    }
    // A mnemonic that two controls share only moves the focus between them.
    QStringList mnemonics;
    for (const QAbstractButton *button : page.findChildren<QAbstractButton *>())
        mnemonics << QKeySequence::mnemonic(button->text()).toString();
    for (const QGroupBox *box : page.findChildren<QGroupBox *>())
        mnemonics << QKeySequence::mnemonic(box->title()).toString();
    mnemonics.removeAll(QString());
    QCOMPARE(QSet<QString>(mnemonics.cbegin(), mnemonics.cend()).size(), mnemonics.size());
#if QT_CONFIG(accessibility)
    // Every control says what it is to a screen reader.
    for (const QWidget *child : page.findChildren<QWidget *>()) {
        if (child->focusPolicy() != Qt::NoFocus || qobject_cast<const QLabel *>(child))
            QVERIFY2(!child->accessibleName().isEmpty() || child->objectName().isEmpty(), qPrintable(child->objectName()));
    }
#endif
}

void ExternalProgramsPageTest::messagesAreNeverClipped_data()
{
    QTest::addColumn<int>("width");  // 0: the narrowest the dialog takes
    QTest::addColumn<int>("scale");
    QTest::addColumn<bool>("rightToLeft");
    QTest::newRow("narrowest, 1x") << 0 << 1 << false;
    QTest::newRow("640 px, 1x") << 640 << 1 << false;
    QTest::newRow("640 px, 1x, right to left") << 640 << 1 << true;
    QTest::newRow("narrowest, 2x") << 0 << 2 << false;
    QTest::newRow("640 px, 2x") << 640 << 2 << false;
}

void ExternalProgramsPageTest::messagesAreNeverClipped()
{
    QFETCH(int, width);
    QFETCH(int, scale);
    QFETCH(bool, rightToLeft);
    // The scale is the whole process's: a child runs the row at another.
    if (qRound(qApp->devicePixelRatio()) != scale) {
        QVERIFY2(!qEnvironmentVariableIsSet("QT_SCALE_FACTOR"), "the scale factor is not applied");
        const KelTest::ChildResult child = KelTest::runProgram(
            QCoreApplication::applicationFilePath(),
            {QLatin1String("messagesAreNeverClipped:") + QLatin1String(QTest::currentDataTag())},
            {{QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale)}});
        QVERIFY2(child.finished && child.exitCode == 0, child.out.constData());
        return;
    }
    KelTest::ScopedConfigHome home;
    QTemporaryDir dir;
    const ScopedVariable out(KelTest::ArgRecorderOutVariable, dir.path() + QLatin1String("/records"));
    QApplication::setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    QDialog dialog;  // as hosts show the page
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new Kel::ExternalProgramsPage(&dialog));
    layout->addWidget(new QDialogButtonBox(QDialogButtonBox::Ok, &dialog));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.resize(qMax(width, dialog.minimumSizeHint().width()), dialog.sizeHint().height());
    // Long messages: what many arguments start, the try's outcome, two problems.
    const ProgramControls pdf = controlsOf(dialog, Pdf);
    const ProgramControls browser = controlsOf(dialog, Browser);
    pdf.useCommand->setChecked(true);
    pdf.commandLine->setText(QLatin1Char('"') + KelTest::argRecorderPath() + QLatin1String("\" --page 2 --zoom 150 %1"));
    QTest::mouseClick(pdf.tryIt, Qt::LeftButton);
    browser.useCommand->setChecked(true);
    browser.commandLine->setText(QStringLiteral("no-such-browser-4711 --new-window '%1'"));
    QTRY_COMPARE(clippedMessages(dialog), QStringList());
    // Text in a language read left to right still lines up with the page.
    const Qt::Alignment leading = Qt::AlignAbsolute | (rightToLeft ? Qt::AlignRight : Qt::AlignLeft);
    for (const QLabel *message : {pdf.verdict, pdf.tried, browser.verdict})
        QCOMPARE(message->alignment() & Qt::AlignHorizontal_Mask, leading);
    QApplication::setLayoutDirection(Qt::LeftToRight);
}

void ExternalProgramsPageTest::applyStoresAndResetReads()
{
    KelTest::ScopedConfigHome home;
    UserSettings::SetUseDefaultWebBrowser(false);
    UserSettings::SetWebBrowserPath(Kel::Utility::QStringToPortString(QStringLiteral("browser --new %1")));

    Kel::ExternalProgramsPage page;
    QSignalSpy changed(&page, &Kel::ExternalProgramsPage::changed);
    const ProgramControls pdf = controlsOf(page, Pdf);
    const ProgramControls browser = controlsOf(page, Browser);
    QVERIFY(pdf.useDefault->isChecked());
    QVERIFY(browser.useCommand->isChecked());
    QCOMPARE(browser.commandLine->text(), QStringLiteral("browser --new %1"));
    QVERIFY(!page.hasChanges());
    QCOMPARE(changed.size(), 0);

    QTest::mouseClick(pdf.useCommand, Qt::LeftButton);
    QTest::keyClicks(pdf.commandLine, QStringLiteral("viewer %1"));
    QVERIFY(changed.size() >= 1);
    QVERIFY(page.hasChanges());
    QCOMPARE(storedText(home.storeFile(), "PDFViewer"), QStringLiteral("<unset>"));
    QCOMPARE(storedText(home.storeFile(), "UseDefaultPDFViewer"), QStringLiteral("<unset>"));

    page.apply();
    QVERIFY(!page.hasChanges());
    QCOMPARE(storedText(home.storeFile(), "PDFViewer"), QStringLiteral("viewer %1"));
    QCOMPARE(storedText(home.storeFile(), "UseDefaultPDFViewer"), QStringLiteral("false"));
    QVERIFY(!UserSettings::GetUseDefaultPDFViewer());
    // What the page did not change stays as it was.
    QCOMPARE(storedText(home.storeFile(), "WebBrowser"), QStringLiteral("browser --new %1"));

    // Back to the stored state by hand: no changes.
    pdf.commandLine->clear();
    QVERIFY(page.hasChanges());
    QTest::keyClicks(pdf.commandLine, QStringLiteral("viewer %1"));
    QVERIFY(!page.hasChanges());

    // reset() drops the page's changes and reads what another program stored meanwhile.
    QTest::mouseClick(browser.useDefault, Qt::LeftButton);
    const KelTest::ChildResult peer = KelTest::runProgram(
        KelTest::binDir() + QLatin1String("/kel_qsettings_peer"),
        {QStringLiteral("set"), home.storeFile(), QStringLiteral("WebBrowser"),
         QString::fromLatin1(KelTest::encodedVariant(QStringLiteral("theirs --tab %1")))});
    QCOMPARE(peer.exitCode, 0);
    const int signalled = changed.size();
    page.reset();
    QCOMPARE(changed.size(), signalled);  // the host asked for it: no signal
    QVERIFY(!page.hasChanges());
    QVERIFY(browser.useCommand->isChecked());
    QCOMPARE(browser.commandLine->text(), QStringLiteral("theirs --tab %1"));

    // The defaults are shown, and stored only by apply().
    page.restoreDefaults();
    QVERIFY(changed.size() > signalled && browser.useDefault->isChecked() && browser.commandLine->text().isEmpty());
    QVERIFY(!UserSettings::GetUseDefaultWebBrowser());
    page.apply();
    QVERIFY(UserSettings::GetUseDefaultWebBrowser());
}

void ExternalProgramsPageTest::verdictAndTryFollowTheLibrarysCheck_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<QString>("said");  // what the verdict says when it does not start
    QTest::addColumn<QString>("arguments");

    using Check = Kel::ViewerCommand;
    const QHash<int, QString> words{{Check::NoProgram, QStringLiteral("no program")},
                                    {Check::ProgramNotFound, QStringLiteral("is not found")},
                                    {Check::NotExecutable, QStringLiteral("not an executable file")},
                                    {Check::UnbalancedQuote, QStringLiteral("no partner")},
                                    {Check::QuotedArgument, QStringLiteral("Quote marks")}};
    for (const KelTest::CommandLineCase &row : KelTest::CommandLineCases)
        QTest::newRow(row.name) << QString::fromUtf8(row.commandLine) << row.starts
                                << (row.starts ? QString() : words.value(row.problem))
                                << QString::fromUtf8(row.arguments ? row.arguments : "");
}

void ExternalProgramsPageTest::verdictAndTryFollowTheLibrarysCheck()
{
    QFETCH(QString, commandLine);
    QFETCH(bool, starts);
    QFETCH(QString, said);
    QFETCH(QString, arguments);
    KelTest::ScopedConfigHome home;
    QTemporaryDir dir;
    const QString recorder = dir.path() + QLatin1String("/my viewer/") + QLatin1String(RecorderCopyName);
    QVERIFY(QDir().mkpath(QFileInfo(recorder).path()));
    QVERIFY(QFile::copy(KelTest::argRecorderPath(), recorder));
    const QString plain = dir.path() + QLatin1String("/notes.txt");
    QVERIFY(QFile(plain).open(QIODevice::WriteOnly));
    commandLine.replace(QLatin1String(KelTest::RecorderToken), recorder);
    commandLine.replace(QLatin1String(KelTest::PlainFileToken), plain);
    const QString records = dir.path() + QLatin1String("/records");
    const ScopedVariable path("PATH", KelTest::binDir() + QDir::listSeparator() + qEnvironmentVariable("PATH"));
    const ScopedVariable out(KelTest::ArgRecorderOutVariable, records);

    Kel::ExternalProgramsPage page;
    const ProgramControls pdf = controlsOf(page, Pdf);
    QTest::mouseClick(pdf.useCommand, Qt::LeftButton);
    pdf.commandLine->setText(commandLine);
    const QString verdict = pdf.verdict->text();
    QCOMPARE(pdf.tryIt->isEnabled(), starts);
    QCOMPARE(page.hasProblems(), !starts);
    QCOMPARE(part<QLabel>(page, Pdf, "VerdictIcon")->isVisibleTo(&page), !starts);
    // Enter reaches the host's dialog, whose default button stores, only for a command that starts.
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(pdf.commandLine, &enter);
    QCOMPARE(!enter.isAccepted(), starts);
#if QT_CONFIG(accessibility)  // what a screen reader hears beyond the field's name
    QCOMPARE(QAccessible::queryAccessibleInterface(pdf.commandLine)->text(QAccessible::Description), verdict);
#endif
    if (!starts) {
        QVERIFY2(verdict.contains(said), qPrintable(verdict));
        return;
    }
    QVERIFY2(verdict.startsWith(QLatin1String("Starts")), qPrintable(verdict));

    QTest::mouseClick(pdf.tryIt, Qt::LeftButton);
    QVERIFY2(pdf.tried->text().startsWith(QLatin1String("Started")), qPrintable(pdf.tried->text()));
#if QT_CONFIG(accessibility)
    QCOMPARE(QAccessible::queryAccessibleInterface(pdf.tryIt)->text(QAccessible::Description), pdf.tried->text());
#endif
    const QStringList expected = arguments.split(QLatin1Char(' '));
    const QList<QByteArray> received = KelTest::waitForArgRecords(records, int(expected.size()));
    QCOMPARE(received.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QString argument = QString::fromUtf8(received.at(i));
        // Exactly what the page showed, each argument quoted, in its order.
        QVERIFY2(verdict.contains(QLocale().quoteString(argument)), qPrintable(verdict + QLatin1String(" / ") + argument));
        if (expected.at(i).contains(QLatin1String(KelTest::TargetToken)))
            QVERIFY2(argument.contains(QLatin1String("KelGuiUtilities-sample.pdf")), qPrintable(argument));
        else
            QCOMPARE(argument, expected.at(i));
    }
    QVERIFY(!QFile::exists(home.storeFile()));  // trying stores nothing
    // The outcome belonged to the command tried.
    pdf.commandLine->setText(commandLine + QLatin1Char(' '));
    QCOMPARE(pdf.tried->text(), QString());
}

void ExternalProgramsPageTest::browseQuotesAPathWithBlanks_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("quoted");
    QTest::newRow("plain path") << QStringLiteral("viewers") << false;
    QTest::newRow("path with a blank") << QStringLiteral("my viewers") << true;
}

void ExternalProgramsPageTest::browseQuotesAPathWithBlanks()
{
    QFETCH(QString, folder);
    QFETCH(bool, quoted);
    KelTest::ScopedConfigHome home;
    QTemporaryDir dir;
    const QString program = dir.path() + QLatin1Char('/') + folder + QLatin1String("/view");
    QDir().mkpath(QFileInfo(program).path());
    QVERIFY(QFile::copy(KelTest::argRecorderPath(), program));

    Kel::ExternalProgramsPage page;
    const ProgramControls pdf = controlsOf(page, Pdf);
    pdf.useCommand->setChecked(true);
    pdf.commandLine->setText(QLatin1Char('"') + KelTest::argRecorderPath() + QLatin1String("\" %1"));
    bool answered = false;
    QString startedIn;
    QTimer::singleShot(0, this, [&] {
        QTRY_VERIFY(qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        startedIn = dialog->directory().absolutePath();
        dialog->selectFile(program);
        QMetaObject::invokeMethod(dialog, "accept");
        answered = true;
    });
    QTest::mouseClick(pdf.browse, Qt::LeftButton);
    QVERIFY(answered);
    QCOMPARE(startedIn, QFileInfo(KelTest::argRecorderPath()).absolutePath());
    const QString native = QDir::toNativeSeparators(program);
    QCOMPARE(pdf.commandLine->text(),
             (quoted ? QLatin1Char('"') + native + QLatin1Char('"') : native) + QLatin1String(" %1"));
    QVERIFY(page.hasChanges());
}

void ExternalProgramsPageTest::lateFailureIsShown_data()
{
    QTest::addColumn<bool>("ownCommand");
    QTest::addColumn<bool>("browser");
    QTest::newRow("the system's default") << false << false;
    QTest::newRow("the user's own command") << true << false;
    QTest::newRow("the user's own browser, at the host's address") << true << true;
}

void ExternalProgramsPageTest::lateFailureIsShown()
{
    QFETCH(bool, ownCommand);
    QFETCH(bool, browser);
#if defined(Q_OS_WIN)
    if (!ownCommand && !qEnvironmentVariableIsSet("KEL_TEST_RECORDER_REGISTERED"))
        QSKIP("no recorder registered for PDF files in this prefix");
#endif
    KelTest::ScopedConfigHome home;
    QTemporaryDir dir;
    const QString records = dir.path() + QLatin1String("/records");
    const ScopedVariable path("PATH", plantDesktopOpener(dir));
    const ScopedVariable out(KelTest::ArgRecorderOutVariable, records);
    const ScopedVariable exitCode("KEL_ARGRECORDER_EXIT", QStringLiteral("3"));
    Gui::Wisp::DesktopHelpManager help;
    Gui::Wisp::HelpManager::setInstance(&help);
    KelTest::MessageRecorder channel;  // the host's handler still hears every warning

    Kel::ExternalProgramsPage page;
    const QUrl address(QStringLiteral("https://example.invalid/try?from=host"));
    page.setWebBrowserTryUrl(address);
    const ProgramControls pdf = controlsOf(page, browser ? Browser : Pdf);
    const QByteArray target = browser ? address.toEncoded() : QByteArray("KelGuiUtilities-sample.pdf");
    if (ownCommand) {
        QTest::mouseClick(pdf.useCommand, Qt::LeftButton);
        pdf.commandLine->setText(QLatin1Char('"') + KelTest::argRecorderPath() + QLatin1String("\" %1"));
    }
    QElapsedTimer sinceTry;
    sinceTry.start();
    QTest::mouseClick(pdf.tryIt, Qt::LeftButton);
    QVERIFY2(pdf.tried->text().startsWith(QLatin1String("Started")), qPrintable(pdf.tried->text()));
    QTRY_VERIFY2_WITH_TIMEOUT(pdf.tried->text().startsWith(QLatin1String("It failed")),
                              qPrintable(channel.lines().join(QLatin1Char('\n'))), ReportWaitMs);
    std::printf("FIGURE: a tried viewer's failure showed on the page after %lld ms\n",
                static_cast<long long>(sinceTry.elapsed()));
    QVERIFY2(pdf.tried->text().contains(QLatin1String("3")), qPrintable(pdf.tried->text()));
    const QList<QByteArray> recorded = KelTest::waitForArgRecords(records, 1);
    QCOMPARE(recorded.size(), 1);
    QVERIFY(recorded.constFirst().endsWith(target));
    // Shown once: the host's channel does not get the report too.
    for (const Port_Message &message : channel.messages())
        QVERIFY2(message.text.find(target.constData()) == std::string::npos, message.text.c_str());
    QTest::mouseClick(ownCommand ? pdf.useDefault : pdf.useCommand, Qt::LeftButton);
    QCOMPARE(pdf.tried->text(), QString());
    Gui::Wisp::HelpManager::setInstance(nullptr);
}

int main(int argc, char **argv)
{
    // A Qt file dialog the test can answer, never the platform's own.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    return WidgetTest::run<ExternalProgramsPageTest>(argc, argv);
}

#include "tst_externalprogramspage.moc"
