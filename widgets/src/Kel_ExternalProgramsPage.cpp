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
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QGridLayout>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QVBoxLayout>

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

class Q_DECL_HIDDEN ExternalProgramsPage::Private
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
        QLabel *verdict = nullptr;
        QPushButton *tryIt = nullptr;
        QLabel *tried = nullptr;

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
            row.verdict = new QLabel(row.box);
            row.verdict->setWordWrap(true);
            row.verdict->setTextFormat(Qt::PlainText);
            row.verdict->setTextInteractionFlags(Qt::TextSelectableByMouse);
            row.tryIt = new QPushButton(row.box);
            row.tried = new QLabel(row.box);
            row.tried->setWordWrap(true);
            row.tried->setTextFormat(Qt::PlainText);
            // Names for hosts' style sheets and tests, whatever the language.
            const QString prefix = QLatin1String(row.isPdf() ? "pdfViewer" : "webBrowser");
            row.box->setObjectName(prefix);
            row.useDefault->setObjectName(prefix + QLatin1String("UseDefault"));
            row.useCommand->setObjectName(prefix + QLatin1String("UseCommand"));
            row.commandLine->setObjectName(prefix + QLatin1String("CommandLine"));
            row.browse->setObjectName(prefix + QLatin1String("Browse"));
            row.verdict->setObjectName(prefix + QLatin1String("Verdict"));
            row.tryIt->setObjectName(prefix + QLatin1String("Try"));
            row.tried->setObjectName(prefix + QLatin1String("Tried"));
            grid->addWidget(row.useDefault, 0, 0, 1, 2);
            grid->addWidget(row.useCommand, 1, 0, 1, 2);
            grid->addWidget(row.commandLine, 2, 0);
            grid->addWidget(row.browse, 2, 1);
            grid->addWidget(row.verdict, 3, 0, 1, 2);
            grid->addWidget(row.tryIt, 4, 0, Qt::AlignLeading);
            grid->addWidget(row.tried, 5, 0, 1, 2);
            grid->setColumnStretch(0, 1);
            layout->addWidget(row.box);

            QObject::connect(row.useDefault, &QRadioButton::toggled, q, [this, &row] { edited(row); });
            QObject::connect(row.commandLine, &QLineEdit::textChanged, q, [this, &row] { edited(row); });
            QObject::connect(row.browse, &QPushButton::clicked, q, [this, &row] { browse(row); });
            QObject::connect(row.tryIt, &QPushButton::clicked, q, [this, &row] { tryProgram(row); });
        }
        layout->addStretch(1);
        retranslate();
    }

    void retranslate()
    {
        for (Row &row : rows) {
            const QString title = row.isPdf() ? ExternalProgramsPage::tr("PDF viewer") : ExternalProgramsPage::tr("Web browser");
            row.box->setTitle(row.isPdf() ? ExternalProgramsPage::tr("&PDF viewer") : ExternalProgramsPage::tr("&Web browser"));
            row.useDefault->setText(ExternalProgramsPage::tr("Use the system's &default"));
            speak(row.useDefault, ExternalProgramsPage::tr("%1: use the system's default").arg(title));
            row.useCommand->setText(ExternalProgramsPage::tr("Use this &command:"));
            speak(row.useCommand, ExternalProgramsPage::tr("%1: use this command").arg(title));
            row.commandLine->setPlaceholderText(ExternalProgramsPage::tr("program and arguments, %1 for the file or address"));
            speak(row.commandLine, ExternalProgramsPage::tr("%1 command line").arg(title));
            row.commandLine->setToolTip(
                ExternalProgramsPage::tr("A program, in double quotes when its path holds blanks, then its arguments; %1 stands for the "
                   "file or address."));
            row.browse->setText(ExternalProgramsPage::tr("&Browse…"));
            speak(row.browse, ExternalProgramsPage::tr("Browse for the %1 program").arg(title));
            speak(row.verdict, ExternalProgramsPage::tr("%1: what would start").arg(title));
            row.tryIt->setText(ExternalProgramsPage::tr("&Try"));
            speak(row.tryIt, ExternalProgramsPage::tr("Try the %1").arg(title));
            row.tryIt->setToolTip(row.isPdf() ? ExternalProgramsPage::tr("Opens a sample PDF file as the page shows it")
                                              : ExternalProgramsPage::tr("Opens the product web site as the page shows it"));
            speak(row.tried, ExternalProgramsPage::tr("%1: result of the try").arg(title));
            showVerdict(row);
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
            row.tried->clear();
            showVerdict(row);
        }
        loading = false;
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

    QString target(const Row &row) const { return row.isPdf() ? samplePdf() : productSite(); }

    void edited(Row &row)
    {
        showVerdict(row);
        if (!loading)
            Q_EMIT q->changed();
    }

    void showVerdict(Row &row)
    {
        const bool useDefault = row.useDefault->isChecked();
        row.commandLine->setEnabled(!useDefault);
        row.browse->setEnabled(!useDefault);
        if (useDefault) {
            row.verdict->setText(defaultVerdict(row));
            row.tryIt->setEnabled(Gui::Wisp::HelpManager::getInstance() != nullptr);
            return;
        }
        const QString opened = target(row);
        if (opened.isEmpty()) {
            row.verdict->setText(ExternalProgramsPage::tr("The sample PDF file is not installed, so nothing can be tried."));
            row.tryIt->setEnabled(false);
            return;
        }
        const Widgets::Verdict verdict = Widgets::checkCommandLine(row.keys.program, row.commandLine->text(), opened);
        row.verdict->setText(verdict.text);
        row.tryIt->setEnabled(verdict.startable);
    }

    QString defaultVerdict(const Row &row) const
    {
        const Gui::Wisp::HelpManager *manager = Gui::Wisp::HelpManager::getInstance();
        if (!manager)
            return ExternalProgramsPage::tr("This application opens nothing with the system's default.");
        const QString command = row.isPdf() ? manager->getPDFViewer() : manager->getWebBrowser();
        if (command.isNull())
            return ExternalProgramsPage::tr("The system names no default program.");
        return ExternalProgramsPage::tr("The system's default: %1").arg(command);
    }

    void browse(Row &row)
    {
        const QString title = row.isPdf() ? ExternalProgramsPage::tr("Choose the PDF viewer") : ExternalProgramsPage::tr("Choose the web browser");
        const QString chosen = QFileDialog::getOpenFileName(q, title);
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
        QPointer<QLabel> tried = row.tried;
        Widgets::listenForReports(row.tried, handed, [tried](const QString &report) {
            qCWarning(Widgets::widgetsLog) << "tried program failed:" << report;
            if (tried)
                tried->setText(ExternalProgramsPage::tr("It failed: %1").arg(report));
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
                row.tried->setText(verdict.text);
                return;
            }
            const Port_MsgManData channel = Port_MsgManData::createObject(MessageDomain, MessageSource, __LINE__, "");
            started = Port::Launcher::start(Port::CommandLine(verdict.program, verdict.arguments), channel, handed);
        }
        qCInfo(Widgets::widgetsLog) << "tried" << opened << (started ? "started" : "did not start");
        row.tried->setText(started ? ExternalProgramsPage::tr("Started: it opens %1.").arg(Widgets::quoted(handed))
                                   : ExternalProgramsPage::tr("It did not start."));
    }

    ExternalProgramsPage *q;
    std::array<Row, Programs.size()> rows;
    bool loading = false;
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

void ExternalProgramsPage::apply()
{
    d->store();
}

void ExternalProgramsPage::reset()
{
    d->load();
}

void ExternalProgramsPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        d->retranslate();
}

} // namespace Kel
