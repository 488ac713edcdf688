// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Writes kel-settings.1 in the man(7) macros from the tables, so the manual says what the tool does.
#include "ManPage.h"

#include "CommandTable.h"
#include "Preferences.h"

#include <QtCore/QLatin1String>
#include <QtCore/QStringList>

namespace KelSettings {

namespace {

// Text for roff: a backslash is its escape character, '-' is a hyphen unless
// escaped, and a line that begins with '.' or '\'' would be a request.
QString roff(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\e")).replace(QLatin1Char('-'), QStringLiteral("\\-"));
    if (escaped.startsWith(QLatin1Char('.')) || escaped.startsWith(QLatin1Char('\'')))
        escaped.prepend(QStringLiteral("\\&"));
    return escaped;
}

QString bold(const QString &text)
{
    return QStringLiteral("\\fB") + roff(text) + QStringLiteral("\\fR");
}

QString italic(const QString &text)
{
    return QStringLiteral("\\fI") + roff(text) + QStringLiteral("\\fR");
}

// "set KEY VALUE": the command in bold, its arguments in italics.
QString synopsisLine(const Command &command)
{
    const QString synopsis = QLatin1String(command.synopsis);
    const int blank = synopsis.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return bold(synopsis);
    return bold(synopsis.left(blank)) + QLatin1Char(' ') + italic(synopsis.mid(blank + 1));
}

QString optionLine(const OptionSpec &option)
{
    QString line;
    if (option.shortName)
        line += bold(QLatin1Char('-') + QString(QLatin1Char(option.shortName))) + QStringLiteral(", ");
    line += bold(QStringLiteral("--") + QLatin1String(option.name));
    if (option.valueName)
        line += QLatin1Char(' ') + italic(QLatin1String(option.valueName));
    return line;
}

QString commandOptions(const Command &command)
{
    QStringList names;
    for (const OptionSpec &option : options()) {
        if (command.options & option.bit)
            names << bold(QStringLiteral("--") + QLatin1String(option.name));
    }
    return names.join(QStringLiteral(", "));
}

QString commandsSection()
{
    QString page = QStringLiteral(".SH COMMANDS\n");
    for (const Command &command : commands()) {
        page += QStringLiteral(".TP\n") + synopsisLine(command) + QLatin1Char('\n') + roff(QLatin1String(command.summary))
                + QLatin1Char('\n');
        if (command.options)
            page += QStringLiteral(".br\nOptions: ") + commandOptions(command) + QStringLiteral(".\n");
        page += QStringLiteral(".br\nExample: ") + roff(QLatin1String(command.example)) + QLatin1Char('\n');
    }
    return page;
}

QString optionsSection()
{
    QString page = QStringLiteral(".SH OPTIONS\n");
    for (const OptionSpec &option : options()) {
        page += QStringLiteral(".TP\n") + optionLine(option) + QLatin1Char('\n') + roff(QLatin1String(option.description));
        if (option.bit)
            page += QStringLiteral(" With ") + roff(commandsTaking(option)) + QLatin1Char('.');
        page += QLatin1Char('\n');
    }
    return page;
}

QString preferencesSection()
{
    QString page = QStringLiteral(".SH PREFERENCES\nThe keys that ") + bold(QStringLiteral("get"))
                   + QStringLiteral(" and ") + bold(QStringLiteral("set"))
                   + QStringLiteral(" take, with the values they take and the default that applies while a key "
                                    "is not stored.\n");
    for (const Preference &preference : preferences()) {
        page += QStringLiteral(".TP\n") + bold(QLatin1String(preference.key())) + QLatin1Char('\n')
                + roff(allowedValuesText(preference)) + QStringLiteral(". Default: ") + roff(defaultText(preference))
                + QStringLiteral(".\n");
    }
    return page;
}

} // namespace

QString manPage(const QString &version)
{
    QString page = QStringLiteral(".TH KEL\\-SETTINGS 1 \"\" \"KelGuiUtilities ") + roff(version)
                   + QStringLiteral("\" \"User Commands\"\n");
    page += QStringLiteral(".SH NAME\nkel\\-settings \\- show, change and try the application's stored preferences\n");
    page += QStringLiteral(".SH SYNOPSIS\n") + bold(QLatin1String(ToolName)) + QLatin1Char(' ')
            + QStringLiteral("[") + italic(QStringLiteral("options")) + QStringLiteral("] ")
            + italic(QStringLiteral("command")) + QStringLiteral(" [") + italic(QStringLiteral("arguments"))
            + QStringLiteral("]\n");
    page += QStringLiteral(".SH DESCRIPTION\n") + bold(QLatin1String(ToolName))
            + roff(QStringLiteral(" shows and changes the stored preferences of the application, tells which PDF "
                                  "viewer and web browser it would start, and tries them, without starting the "
                                  "application. It works through the library the application loads, so what it "
                                  "shows is what the application reads."))
            + QLatin1Char('\n');
    page += commandsSection();
    page += optionsSection();
    page += preferencesSection();
    page += QStringLiteral(".SH EXIT STATUS\n") + roff(exitCodeText()) + QLatin1Char('\n');
    page += QStringLiteral(".SH FILES\n") + roff(storeLocationText())
            + roff(QStringLiteral(" A reset keeps the file as it was beside it, named for the moment of the reset."))
            + QLatin1Char('\n');
    page += QStringLiteral(".SH ENVIRONMENT\n.TP\n") + bold(QStringLiteral("XDG_CONFIG_HOME")) + QLatin1Char('\n')
            + roff(QStringLiteral("The configuration folder that holds the store, unless --config-dir names "
                                  "another."))
            + QLatin1Char('\n');
    return page;
}

} // namespace KelSettings
