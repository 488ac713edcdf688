// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Kel::ExternalProgramsPage: the default or the user's own PDF viewer and web browser, checked as the user types and tried on request.
#include <Kel_ExternalProgramsPage.h>

#include "LaunchReports.h"
#include "ViewerVerdict.h"
#include "WidgetsLog.h"

#include <Kel_PreferenceTable.h>
#include <Kel_ProductWebpageUrl.h>
#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <Gui/Wisp/HelpManager.h>
#include <Gui/Wisp/Settings.h>
#include <Port/CommandLine.h>
#include <Port/Launcher.h>
#include <Port/MsgManData.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QEvent>
#include <QtCore/QFileInfo>
#include <QtCore/QPointer>
#include <QtCore/QUrl>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QApplication>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QStyle>
#include <QtWidgets/QVBoxLayout>
#if QT_CONFIG(accessibility)
#include <QtGui/QAccessible>
#endif

#include <array>
#include <optional>

namespace Kel {

namespace {

namespace Table = Kel::PreferenceTable;
using Widgets::ExternalProgram;

constexpr char Placeholder[] = "%1";
// Wide enough for a program's path and a few arguments.
constexpr int CommandFieldChars = 48;
// Where a tried program's reports come from on the message channel.
constexpr char MessageDomain[] = "kel";
constexpr char MessageSource[] = "Kel_ExternalProgramsPage";

QString keyOf(Table::KeyIndex key)
{
    return QLatin1String(Table::Keys[key].name);
}

// The sample PDF installed with the library: beside the host's programs in the
// same prefix, or where this library was installed.
QString samplePdf()
{
    const QStringList folders{QCoreApplication::applicationDirPath() + QLatin1Char('/')
                                  + QLatin1String(KEL_WIDGETS_DATA_FROM_BINDIR),
                              QStringLiteral(KEL_WIDGETS_INSTALL_DATADIR)};
    for (const QString &folder : folders) {
        const QFileInfo file(folder + QLatin1Char('/') + QLatin1String(KEL_WIDGETS_SAMPLE_PDF));
        if (file.isFile())
            return QDir::cleanPath(file.absoluteFilePath());
    }
    return QString();
}

// The maker's product web site for the user's locale.
QString productSite()
{
    return detail::productPageHostBase(detail::systemPageLocale(), std::nullopt) + QLatin1Char('/');
}

// What a screen reader says for a control; Qt builds without accessibility have none.
void speak(QWidget *control, const QString &name)
{
#if QT_CONFIG(accessibility)
    control->setAccessibleName(name);
#else
    Q_UNUSED(control)
    Q_UNUSED(name)
#endif
}

// What a screen reader says of a control beyond its name, announced when it changes.
void describe(QWidget *control, const QString &description)
{
#if QT_CONFIG(accessibility)
    if (control->accessibleDescription() == description)
        return;
    control->setAccessibleDescription(description);
    QAccessibleEvent event(control, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
#else
    Q_UNUSED(control)
    Q_UNUSED(description)
#endif
}

// A message of the page: its words, wrapped, and the style's warning icon
// beside them when they tell of a problem. The partner is the control the user
// is at when the message changes, so a screen reader hears it there too.
struct MessageLine
{
    QLabel *icon = nullptr;
    QLabel *text = nullptr;
    QWidget *partner = nullptr;

    QHBoxLayout *build(QWidget *parent, const QString &name)
    {
        icon = new QLabel(parent);
        icon->setObjectName(name + QLatin1String("Icon"));
        icon->hide();
        text = new QLabel(parent);
        text->setObjectName(name);
        text->setWordWrap(true);
        text->setTextFormat(Qt::PlainText);
        auto *line = new QHBoxLayout;
        line->addWidget(icon, 0, Qt::AlignTop);
        line->addWidget(text, 1);
        return line;
    }

    // Wrapped text lines up by the direction of its own words; the page's
    // messages line up with the page instead, as the controls around them do.
    void align(Qt::LayoutDirection direction)
    {
        const Qt::Alignment leading = direction == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft;
        text->setAlignment(Qt::AlignAbsolute | leading | Qt::AlignVCenter);
    }

    void show(const QString &words, bool problem)
    {
        text->setText(words);
        if (problem) {
            const QStyle *style = icon->style();
            const int extent = style->pixelMetric(QStyle::PM_SmallIconSize, nullptr, icon);
            icon->setPixmap(style->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, icon).pixmap(extent));
        }
        icon->setVisible(problem && !words.isEmpty());
        describe(text, words);
        describe(partner, words);
    }
};

struct StoredChoice
{
    bool useDefault = true;
    QString commandLine;

    bool operator==(const StoredChoice &other) const
    {
        return useDefault == other.useDefault && commandLine == other.commandLine;
    }
    bool operator!=(const StoredChoice &other) const { return !(*this == other); }
};

struct ProgramKeys
{
    ExternalProgram program;
    Table::KeyIndex useDefault;
    Table::KeyIndex commandLine;
};

constexpr std::array<ProgramKeys, 2> Programs{{
    {ExternalProgram::PdfViewer, Table::UseDefaultPDFViewer, Table::PDFViewer},
    {ExternalProgram::WebBrowser, Table::UseDefaultWebBrowser, Table::WebBrowser},
}};

} // namespace

// The page's controls and state. As an event filter it watches the page's
// window, which grows to fit the messages, and the command lines, where Enter
// on an unusable command does not reach a dialog's default button.
class Q_DECL_HIDDEN ExternalProgramsPage::Private : public QObject
{
public:
    struct Row
    {
        ProgramKeys keys;
        StoredChoice stored;
        QGroupBox *box = nullptr;
        QRadioButton *useDefault = nullptr;
        QRadioButton *useCommand = nullptr;
        QLineEdit *commandLine = nullptr;
        QPushButton *browse = nullptr;
        MessageLine verdict;
        QPushButton *tryIt = nullptr;
        MessageLine tried;
        // Counts the tries and edits, so a late report of a try the user has
        // since moved on from is not shown as the outcome of what the page shows.
        unsigned tryNumber = 0;
        bool commandHasProblems = false;

        StoredChoice shownChoice() const { return {useDefault->isChecked(), commandLine->text()}; }
        bool isPdf() const { return keys.program == ExternalProgram::PdfViewer; }
    };

    explicit Private(ExternalProgramsPage *page)
        : q(page)
    {
    }

    void build()
    {
        auto *layout = new QVBoxLayout(q);
        for (std::size_t i = 0; i < Programs.size(); ++i) {
            Row &row = rows[i];
            row.keys = Programs[i];
            row.box = new QGroupBox(q);
            auto *grid = new QGridLayout(row.box);
            row.useDefault = new QRadioButton(row.box);
            row.useCommand = new QRadioButton(row.box);
            row.commandLine = new QLineEdit(row.box);
            row.commandLine->setClearButtonEnabled(true);
            row.commandLine->setMinimumWidth(row.commandLine->fontMetrics().averageCharWidth() * CommandFieldChars);
            row.browse = new QPushButton(row.box);
            row.tryIt = new QPushButton(row.box);
            row.commandLine->installEventFilter(this);
            // Names for hosts' style sheets and tests, whatever the language.
            const QString prefix = QLatin1String(row.isPdf() ? "pdfViewer" : "webBrowser");
            QHBoxLayout *verdictLine = row.verdict.build(row.box, prefix + QLatin1String("Verdict"));
            row.verdict.text->setTextInteractionFlags(Qt::TextSelectableByMouse);
            row.verdict.partner = row.commandLine;
            QHBoxLayout *triedLine = row.tried.build(row.box, prefix + QLatin1String("Tried"));
            row.tried.partner = row.tryIt;
            row.box->setObjectName(prefix);
            row.useDefault->setObjectName(prefix + QLatin1String("UseDefault"));
            row.useCommand->setObjectName(prefix + QLatin1String("UseCommand"));
            row.commandLine->setObjectName(prefix + QLatin1String("CommandLine"));
            row.browse->setObjectName(prefix + QLatin1String("Browse"));
            row.tryIt->setObjectName(prefix + QLatin1String("Try"));
            grid->addWidget(row.useDefault, 0, 0, 1, 2);
            grid->addWidget(row.useCommand, 1, 0, 1, 2);
            grid->addWidget(row.commandLine, 2, 0);
            grid->addWidget(row.browse, 2, 1);
            grid->addLayout(verdictLine, 3, 0, 1, 2);
            grid->addWidget(row.tryIt, 4, 0, Qt::AlignLeading);
            grid->addLayout(triedLine, 5, 0, 1, 2);
            grid->setColumnStretch(0, 1);
            layout->addWidget(row.box);

            QObject::connect(row.useDefault, &QRadioButton::toggled, q, [this, &row] { edited(row); });
            QObject::connect(row.commandLine, &QLineEdit::textChanged, q, [this, &row] { edited(row); });
            QObject::connect(row.browse, &QPushButton::clicked, q, [this, &row] { browse(row); });
            QObject::connect(row.tryIt, &QPushButton::clicked, q, [this, &row] { tryProgram(row); });
        }
        layout->addStretch(1);
        retranslate();
        alignMessages();
        q->installEventFilter(this);
        watchWindow();
    }

    void retranslate()
    {
        for (Row &row : rows) {
            const QString title = row.isPdf() ? ExternalProgramsPage::tr("PDF viewer") : ExternalProgramsPage::tr("Web browser");
            // Each control has a mnemonic of its own on the page: a letter
            // shared by two controls only moves the focus between them.
            row.box->setTitle(row.isPdf() ? ExternalProgramsPage::tr("&PDF viewer") : ExternalProgramsPage::tr("&Web browser"));
            row.useDefault->setText(row.isPdf() ? ExternalProgramsPage::tr("Use the system's &default")
                                                : ExternalProgramsPage::tr("Use the system's de&fault"));
            speak(row.useDefault, ExternalProgramsPage::tr("%1: use the system's default").arg(title));
            row.useCommand->setText(row.isPdf() ? ExternalProgramsPage::tr("Use this &command:")
                                                : ExternalProgramsPage::tr("Use this co&mmand:"));
            speak(row.useCommand, ExternalProgramsPage::tr("%1: use this command").arg(title));
            row.commandLine->setPlaceholderText(ExternalProgramsPage::tr("program and arguments, %1 for the file or address"));
            speak(row.commandLine, ExternalProgramsPage::tr("%1 command line").arg(title));
            row.commandLine->setToolTip(
                ExternalProgramsPage::tr("A program, in double quotes when its path holds blanks, then its arguments; %1 stands for the "
                   "file or address."));
            row.browse->setText(row.isPdf() ? ExternalProgramsPage::tr("&Browse…") : ExternalProgramsPage::tr("B&rowse…"));
            speak(row.browse, ExternalProgramsPage::tr("Browse for the %1 program").arg(title));
            speak(row.verdict.text, ExternalProgramsPage::tr("%1: what would start").arg(title));
            speak(row.verdict.icon, ExternalProgramsPage::tr("Warning"));
            row.tryIt->setText(row.isPdf() ? ExternalProgramsPage::tr("&Try") : ExternalProgramsPage::tr("Tr&y"));
            speak(row.tryIt, ExternalProgramsPage::tr("Try the %1").arg(title));
            row.tryIt->setToolTip(row.isPdf() ? ExternalProgramsPage::tr("Opens a sample PDF file as the page shows it")
                                              : ExternalProgramsPage::tr("Opens %1 as the page shows it").arg(target(row)));
            speak(row.tried.text, ExternalProgramsPage::tr("%1: result of the try").arg(title));
            speak(row.tried.icon, ExternalProgramsPage::tr("Warning"));
            showVerdict(row);
        }
    }

    void alignMessages()
    {
        for (Row &row : rows) {
            row.verdict.align(q->layoutDirection());
            row.tried.align(q->layoutDirection());
        }
    }

    StoredChoice readStored(const ProgramKeys &keys) const
    {
        const Gui::Wisp::Settings store(Table::Scope, true, true, true);
        StoredChoice choice;
        choice.useDefault = store.getValue(keyOf(keys.useDefault), QVariant(Table::flagDefault(keys.useDefault))).toBool();
        choice.commandLine = store.getValue(keyOf(keys.commandLine), QVariant()).toString();
        return choice;
    }

    void load()
    {
        loading = true;
        for (Row &row : rows) {
            row.stored = readStored(row.keys);
            (row.stored.useDefault ? row.useDefault : row.useCommand)->setChecked(true);
            row.commandLine->setText(row.stored.commandLine);
            showVerdict(row);
        }
        loading = false;
    }

    void showDefaults()
    {
        for (Row &row : rows) {
            (Table::flagDefault(row.keys.useDefault) ? row.useDefault : row.useCommand)->setChecked(true);
            row.commandLine->clear();
        }
    }

    void store()
    {
        for (Row &row : rows) {
            const StoredChoice shownNow = row.shownChoice();
            // Only what changed is written, so a command line that was never
            // stored stays unset rather than becoming empty text.
            if (shownNow.commandLine != row.stored.commandLine) {
                const Port::StringBase text = Utility::QStringToPortString(shownNow.commandLine);
                row.isPdf() ? UserSettings::SetPDFViewerPath(text) : UserSettings::SetWebBrowserPath(text);
            }
            if (shownNow.useDefault != row.stored.useDefault)
                row.isPdf() ? UserSettings::SetUseDefaultPDFViewer(shownNow.useDefault)
                            : UserSettings::SetUseDefaultWebBrowser(shownNow.useDefault);
            row.stored = shownNow;
        }
    }

    bool differs() const
    {
        for (const Row &row : rows) {
            if (row.shownChoice() != row.stored)
                return true;
        }
        return false;
    }

    QString target(const Row &row) const
    {
        if (row.isPdf())
            return samplePdf();
        return browserTryUrl.isEmpty() ? productSite() : browserTryUrl.toString(QUrl::FullyEncoded);
    }

    bool hasProblems() const
    {
        for (const Row &row : rows) {
            if (row.commandHasProblems)
                return true;
        }
        return false;
    }

    // A try's outcome belongs to what was tried, not to what the page shows now.
    void forgetTry(Row &row)
    {
        ++row.tryNumber;
        row.tried.show(QString(), false);
    }

    void edited(Row &row)
    {
        forgetTry(row);
        showVerdict(row);
        if (!loading)
            Q_EMIT q->changed();
    }

    Row &browserRow()
    {
        for (Row &row : rows) {
            if (!row.isPdf())
                return row;
        }
        Q_UNREACHABLE();
    }

    void showVerdict(Row &row)
    {
        const bool useDefault = row.useDefault->isChecked();
        row.commandLine->setEnabled(!useDefault);
        row.browse->setEnabled(!useDefault);
        row.commandHasProblems = false;
        if (useDefault) {
            showDefaultVerdict(row);
            return;
        }
        const QString opened = target(row);
        // Without the sample the command line is still checked, as it would be stored.
        const Widgets::Verdict verdict = Widgets::checkCommandLine(row.keys.program, row.commandLine->text(), opened);
        row.commandHasProblems = !verdict.startable;
        if (opened.isEmpty() && verdict.startable) {
            row.verdict.show(ExternalProgramsPage::tr("The sample PDF file is not installed, so nothing can be tried."), true);
            row.tryIt->setEnabled(false);
            return;
        }
        row.verdict.show(verdict.text, !verdict.startable);
        row.tryIt->setEnabled(verdict.startable && !opened.isEmpty());
    }

    void showDefaultVerdict(Row &row)
    {
        const Gui::Wisp::HelpManager *manager = Gui::Wisp::HelpManager::getInstance();
        row.tryIt->setEnabled(manager != nullptr);
        if (!manager) {
            row.verdict.show(ExternalProgramsPage::tr("This application opens nothing with the system's default."), true);
            return;
        }
        const QString command = row.isPdf() ? manager->getPDFViewer() : manager->getWebBrowser();
        if (command.isNull())
            row.verdict.show(ExternalProgramsPage::tr("The system names no default program."), true);
        else
            row.verdict.show(ExternalProgramsPage::tr("The system's default: %1").arg(command), false);
    }

    // The folder of the program the command line names now, where the user
    // most likely looks for another; empty when it names none.
    QString currentProgramFolder(const Row &row) const
    {
        const Widgets::Verdict verdict = Widgets::checkCommandLine(row.keys.program, row.commandLine->text(), QString());
        if (verdict.programPath.isEmpty())
            return QString();
        const QFileInfo program(verdict.programPath);
        return program.exists() ? program.absolutePath() : QString();
    }

    void browse(Row &row)
    {
        const QString title = row.isPdf() ? ExternalProgramsPage::tr("Choose the PDF viewer") : ExternalProgramsPage::tr("Choose the web browser");
#if defined(Q_OS_WIN)
        // Windows runs only files whose extension names a program.
        const QString filter = ExternalProgramsPage::tr("Programs (*.exe *.com);;All files (*)");
#else
        const QString filter;
#endif
        const QString chosen = QFileDialog::getOpenFileName(q, title, currentProgramFolder(row), filter);
        if (chosen.isEmpty())
            return;
        QString program = QDir::toNativeSeparators(chosen);
        if (program.contains(QLatin1Char(' ')))
            program = QLatin1Char('"') + program + QLatin1Char('"');
        row.commandLine->setText(program + QLatin1Char(' ') + QLatin1String(Placeholder));
        row.commandLine->setFocus();
    }

    void tryProgram(Row &row)
    {
        const QString opened = target(row);
        if (opened.isEmpty())
            return;
        // A file goes to the program with the platform's separators, and its
        // reports name it as it was handed over.
        const QString handed = row.isPdf() ? QDir::toNativeSeparators(opened) : opened;
        const unsigned thisTry = ++row.tryNumber;
        Widgets::listenForReports(q, handed, [this, &row, thisTry](const QString &report) {
            qCWarning(Widgets::widgetsLog) << "tried program failed:" << report;
            if (row.tryNumber == thisTry)
                row.tried.show(ExternalProgramsPage::tr("It failed: %1").arg(report), true);
        });
        bool started = false;
        if (row.useDefault->isChecked()) {
            Gui::Wisp::HelpManager *manager = Gui::Wisp::HelpManager::getInstance();
            if (!manager)
                return;
            started = row.isPdf() ? manager->runPDFReader(handed) : manager->runWebBrowser(handed);
        } else {
            const Widgets::Verdict verdict = Widgets::checkCommandLine(row.keys.program, row.commandLine->text(), opened);
            if (!verdict.startable) {
                row.tried.show(verdict.text, true);
                return;
            }
            const Port_MsgManData channel = Port_MsgManData::createObject(MessageDomain, MessageSource, __LINE__, "");
            started = Port::Launcher::start(Port::CommandLine(verdict.program, verdict.arguments), channel, handed);
        }
        qCInfo(Widgets::widgetsLog) << "tried" << opened << (started ? "started" : "did not start");
        row.tried.show(started ? ExternalProgramsPage::tr("Started: it opens %1.").arg(Widgets::quoted(handed))
                               : ExternalProgramsPage::tr("It did not start."),
                       !started);
    }

    // Top-level widgets do not take the height their layout needs for their
    // width when wrapped text grows: the page asks its window for it.
    void fitWindow()
    {
        QWidget *window = q->window();
        if (!window->isVisible())
            return;
        if (QLayout *layout = window->layout())
            layout->activate();
        const int needed = window->heightForWidth(window->width());
        if (needed > window->height())
            window->resize(window->width(), needed);
    }

    void fitWindowSoon()
    {
        if (fitPending)
            return;
        fitPending = true;
        QMetaObject::invokeMethod(
            q,
            [this] {
                fitPending = false;
                fitWindow();
            },
            Qt::QueuedConnection);
    }

    // Checked again whenever the page is shown: it, or a widget it is in, may
    // have moved to another window since.
    void watchWindow()
    {
        if (watched == q->window())
            return;
        if (watched && watched != q)
            watched->removeEventFilter(this);
        watched = q->window();
        watched->installEventFilter(this);
    }

    Row *rowOfCommandLine(const QObject *object)
    {
        for (Row &row : rows) {
            if (row.commandLine == object)
                return &row;
        }
        return nullptr;
    }

    bool eventFilter(QObject *watchedObject, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            if (watchedObject == q)
                watchWindow();
            fitWindowSoon();
            break;
        case QEvent::Resize:
        case QEvent::LayoutRequest:
            if (watchedObject == watched)
                fitWindowSoon();
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent *>(event)->key();
            const Row *row = rowOfCommandLine(watchedObject);
            // The dialog's default button would store what the verdict beside
            // the field says cannot start.
            if (row && row->commandHasProblems && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
                QApplication::beep();
                return true;
            }
            break;
        }
        default:
            break;
        }
        return false;
    }

    ExternalProgramsPage *q;
    std::array<Row, Programs.size()> rows;
    QUrl browserTryUrl;
    QPointer<QWidget> watched;
    bool loading = false;
    bool fitPending = false;
};

ExternalProgramsPage::ExternalProgramsPage(QWidget *parent)
    : QWidget(parent), d(std::make_unique<Private>(this))
{
    d->build();
    d->load();
}

ExternalProgramsPage::~ExternalProgramsPage() = default;

bool ExternalProgramsPage::hasChanges() const
{
    return d->differs();
}

bool ExternalProgramsPage::hasProblems() const
{
    return d->hasProblems();
}

void ExternalProgramsPage::setWebBrowserTryUrl(const QUrl &url)
{
    d->browserTryUrl = url;
    d->forgetTry(d->browserRow());
    d->retranslate();  // the tooltip names the address
}

QUrl ExternalProgramsPage::webBrowserTryUrl() const
{
    return QUrl(d->target(d->browserRow()));
}

void ExternalProgramsPage::apply()
{
    d->store();
}

void ExternalProgramsPage::reset()
{
    d->load();
}

void ExternalProgramsPage::restoreDefaults()
{
    d->showDefaults();
}

void ExternalProgramsPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        d->retranslate();
    else if (event->type() == QEvent::LayoutDirectionChange)
        d->alignMessages();
}

} // namespace Kel
