// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The tables of kel-settings' commands and options, and the help texts made from them.
#include "CommandTable.h"

#include "Preferences.h"

#include <QtCore/QLatin1String>

#include <algorithm>
#include <iterator>

namespace KelSettings {

namespace {

constexpr int SynopsisColumn = 2;
constexpr int SummaryColumn = 30;
constexpr int LineWidth = 100;

using Kind = ArgumentKind;

// Every command once; help lists them in this order.
const Command Commands[] = {
    {"list", "list",
     "Every preference with its current value; (default) marks values not stored, and a note follows a stored "
     "value that the library reads otherwise than it reads to a person (such as \"no\" for a flag).",
     "kel-settings list --json", 0, 0, JsonOption, {Kind::Text, Kind::Text}, &runList},
    {"get", "get KEY",
     "One preference (JavaMemorySize as its size in MB), with a note on stderr like list's. As with git config, a "
     "command line that is not set prints nothing and exits 1; an empty one prints an empty line.",
     "kel-settings get RecentProjectCount", 1, 1, JsonOption, {Kind::PreferenceKey, Kind::Text}, &runGet},
    {"set", "set KEY VALUE",
     "Stores a preference; the values each takes are listed under Preferences. A viewer or browser command "
     "whose program is not found, not executable or a relative path, or which holds an unbalanced quote or quote "
     "marks around an argument, is not stored: a warning says why, and --force stores it as it is. One stored "
     "while UseDefaultPDFViewer or UseDefaultWebBrowser is true stays unused until that is false, as a note says. "
     "Put -- before a value other than a number that starts with '-'.",
     "kel-settings set WebBrowser '\"/opt/my browser/b\" --new %1'", 2, 2, ForceOption,
     {Kind::PreferenceKey, Kind::PreferenceValue}, &runSet},
    {"reset", "reset [KEY]",
     "Returns KEY to its default by removing it from the store; without KEY (and with --yes), every preference "
     "of the application: the keys under Preferences, RecentFiles, WindowState and every WidgetState<name>. "
     "With --all --yes, every value in the store file, other programs' included. Once the reset is written, a "
     "copy of the file as it was is kept beside it, and its name is shown.",
     "kel-settings reset OverwriteFiles", 0, 1, YesOption | AllOption, {Kind::ResettableKey, Kind::Text},
     &runReset},
    {"which", "which pdf|browser", "The program and arguments the viewer or browser would start, one per line; a user-defined one that a launch "
     "would not start as meant exits 1, with a warning that says why.",
     "kel-settings which browser", 1, 1, JsonOption, {Kind::ViewerName, Kind::Text}, &runWhich},
    {"open-pdf", "open-pdf FILE", "Opens FILE in the PDF viewer.", "kel-settings open-pdf manual.pdf", 1, 1, 0,
     {Kind::File, Kind::Text}, &runOpenPdf},
    {"open-url", "open-url URL", "Opens URL in the web browser.", "kel-settings open-url https://example.com/", 1, 1,
     0, {Kind::Text, Kind::Text}, &runOpenUrl},
    {"product-page", "product-page CORE_FULL_NAME", "Opens the product web page of a core.",
     "kel-settings product-page name_v1_2", 1, 1, 0, {Kind::Text, Kind::Text}, &runProductPage},
    {"help-topic", "help-topic TOPIC", "Opens a topic of the application's help.",
     "kel-settings help-topic getting_started", 1, 1, 0, {Kind::Text, Kind::Text}, &runHelpTopic},
    {"recent", "recent [add FILE | remove PATH | clear]",
     "The recent projects that still exist; or adds FILE (made absolute) as the most recent one, refused when it "
     "does not exist unless --force is given; or removes PATH from the list; or empties it.",
     "kel-settings recent add ~/designs/top.qpf", 0, 2, JsonOption | ForceOption,
     {Kind::RecentAction, Kind::RecentTarget}, &runRecent},
    {"previous", "previous", "The most recent project that still exists.", "kel-settings previous", 0, 0, 0,
     {Kind::Text, Kind::Text}, &runPrevious},
    {"help", "help [COMMAND]", "This help, or one command's.", "kel-settings help set", 0, 1, 0,
     {Kind::CommandName, Kind::Text}, nullptr},
};

const OptionSpec Options[] = {
    {"json", 0, nullptr, "Print the result as JSON.", JsonOption},
    {"yes", 0, nullptr, "Confirm a reset of more than one key.", YesOption},
    {"all", 0, nullptr, "Reset every value in the store file, not only the application's preferences.", AllOption},
    {"force", 0, nullptr, "Store the value, or record the file, without checking it.", ForceOption},
    {ConfigDirOptionName, 0, "DIR",
     "Work on the store under DIR instead of the user's configuration folder (as if XDG_CONFIG_HOME were DIR); "
     "the programs the tool starts keep its environment.",
     0},
    {HelpOptionName, 'h', nullptr, "Show the help, or with a command that command's help.", 0},
    {VersionOptionName, 'v', nullptr, "Show the version.", 0},
};

QString optionLabel(const OptionSpec &option)
{
    QString label = QStringLiteral("--") + QLatin1String(option.name);
    if (option.shortName)
        label.prepend(QStringLiteral("-") + QLatin1Char(option.shortName) + QStringLiteral(", "));
    if (option.valueName)
        label += QLatin1Char(' ') + QLatin1String(option.valueName);
    return label;
}

QString listed(const QStringList &items)
{
    if (items.size() < 2)
        return items.join(QString());
    return QStringList(items.mid(0, items.size() - 1)).join(QStringLiteral(", ")) + QStringLiteral(" and ")
           + items.last();
}

bool takesPreferenceKeys(const Command &command)
{
    return std::any_of(std::begin(command.arguments), std::end(command.arguments), [](ArgumentKind kind) {
        return kind == ArgumentKind::PreferenceKey || kind == ArgumentKind::ResettableKey;
    });
}

// prefix, then text wrapped at blanks, its later lines indented as far as prefix reaches.
QString wrappedRow(const QString &prefix, const QString &text)
{
    QString row = prefix;
    QString line;
    for (const QString &word : text.split(QLatin1Char(' '))) {
        if (!line.isEmpty() && prefix.size() + line.size() + 1 + word.size() > LineWidth) {
            row += line + QLatin1Char('\n') + QString(prefix.size(), QLatin1Char(' '));
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return row + line + QLatin1Char('\n');
}

QString indentedRow(const QString &label, const QString &text)
{
    // A label as long as its column gets a blank of its own.
    const QString padded = label.size() >= SummaryColumn ? label + QLatin1Char(' ') : label.leftJustified(SummaryColumn);
    return wrappedRow(QString(SynopsisColumn, QLatin1Char(' ')) + padded, text);
}

QString preferencesSection()
{
    QString text = QStringLiteral("Preferences (the values set takes; the default):\n");
    for (const Preference &preference : preferences())
        text += indentedRow(QLatin1String(preference.key()),
                            allowedValuesText(preference) + QStringLiteral("; default ") + defaultText(preference));
    return text;
}

} // namespace

TableRows<Command> commands()
{
    return {std::begin(Commands), std::end(Commands)};
}

TableRows<OptionSpec> options()
{
    return {std::begin(Options), std::end(Options)};
}

const Command *findCommand(const QString &name)
{
    for (const Command &command : Commands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

QString commandsTaking(const OptionSpec &option)
{
    QStringList names;
    for (const Command &command : Commands) {
        if (command.options & option.bit)
            names << QLatin1String(command.name);
    }
    return listed(names);
}

QString generalHelpText()
{
    QString text = QStringLiteral("usage: ") + QLatin1String(ToolName)
                   + QStringLiteral(" [OPTIONS] COMMAND [ARGUMENTS...]\n\nShows, changes and tries the application's "
                                    "stored preferences.\n\nOptions:\n");
    for (const OptionSpec &option : Options)
        text += indentedRow(optionLabel(option), QLatin1String(option.description));
    const QString summaryIndent(SynopsisColumn + SummaryColumn, QLatin1Char(' '));
    text += QStringLiteral("\nCommands:\n");
    for (const Command &command : Commands) {
        text += indentedRow(QLatin1String(command.synopsis), QLatin1String(command.summary));
        text += summaryIndent + QStringLiteral("e.g. ") + QLatin1String(command.example) + QLatin1Char('\n');
    }
    text += QLatin1Char('\n') + preferencesSection();
    return text + QLatin1Char('\n') + exitCodeText() + QLatin1Char('\n') + storeLocationText();
}

QString commandHelp(const Command &command)
{
    QString text = usageOf(command) + QStringLiteral("\n\n") + wrappedRow(QString(SynopsisColumn, QLatin1Char(' ')), QLatin1String(command.summary));
    if (command.options) {
        text += QStringLiteral("\nOptions:\n");
        for (const OptionSpec &option : Options) {
            if (command.options & option.bit)
                text += indentedRow(optionLabel(option), QLatin1String(option.description));
        }
    }
    if (takesPreferenceKeys(command))
        text += QLatin1Char('\n') + preferencesSection();
    text += QStringLiteral("\nExample:\n") + QString(SynopsisColumn, QLatin1Char(' ')) + QLatin1String(command.example)
            + QLatin1Char('\n');
    return text;
}

QString usageOf(const Command &command)
{
    return QStringLiteral("usage: ") + QLatin1String(ToolName) + QLatin1Char(' ') + QLatin1String(command.synopsis);
}

QString exitCodeText()
{
    return QStringLiteral("Exit codes: 0 done; 1 not done, or not all of it (a warning on stderr says why; a note "
                          "fails nothing), or get of a key not set; 2 a wrong command line (nothing changed).");
}

QString storeLocationText()
{
    return QStringLiteral("The store is <config>/Dravel/Molvane.ini, <config> being the --config-dir, "
                          "$XDG_CONFIG_HOME or the user's configuration folder.");
}

} // namespace KelSettings
