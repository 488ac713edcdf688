// The table of kel-settings commands and the help text made from it.
#include "CommandTable.h"

#include "Preferences.h"

#include <QtCore/QLatin1String>

namespace KelSettings {

namespace {

constexpr int SynopsisColumn = 2;
constexpr int SummaryColumn = 30;

// Every command once; --help lists them in this order.
const Command Commands[] = {
    {"list", "list", "Every preference with its current value; (default) marks values not stored.",
     "kel-settings list --json", 0, 0, true, &runList},
    {"get", "get KEY", "One preference (JavaMemorySize as its size in MB).",
     "kel-settings get RecentProjectCount", 1, 1, true, &runGet},
    {"set", "set KEY VALUE",
     "Stores a preference. Flags: true/false, yes/no, on/off, 1/0. JavaMemorySize: index 0-4 or "
     "256, 512, 1024, 2048, 4096 (MB). RecentProjectCount: 0-1000000 (0: every recent project is examined). Put -- before a value that "
     "starts with '-'.",
     "kel-settings set WebBrowser '\"/opt/my browser/b\" --new %1'", 2, 2, false, &runSet},
    {"reset", "reset [KEY]", "Removes a stored value so its default applies; without KEY removes every value "
     "(needs --yes).",
     "kel-settings reset OverwriteFiles", 0, 1, false, &runReset},
    {"which", "which pdf|browser", "The program and arguments the viewer or browser would start, one per line.",
     "kel-settings which browser", 1, 1, true, &runWhich},
    {"open-pdf", "open-pdf FILE", "Opens FILE in the PDF viewer.", "kel-settings open-pdf manual.pdf", 1, 1, false,
     &runOpenPdf},
    {"open-url", "open-url URL", "Opens URL in the web browser.", "kel-settings open-url https://example.com/", 1, 1,
     false, &runOpenUrl},
    {"product-page", "product-page CORE_FULL_NAME", "Opens the product web page of a core.",
     "kel-settings product-page name_v1_2", 1, 1, false, &runProductPage},
    {"help", "help TOPIC", "Opens a topic of the application's help.", "kel-settings help getting_started", 1, 1,
     false, &runHelpTopic},
    {"recent", "recent [add FILE]", "The recent projects that still exist, or adds FILE (made absolute) as the "
     "most recent one.",
     "kel-settings recent add ~/designs/top.qpf", 0, 2, true, &runRecent},
    {"previous", "previous", "The most recent project that still exists.", "kel-settings previous", 0, 0, false,
     &runPrevious},
};

QString padded(const QString &text, int column)
{
    if (text.size() >= column)
        return text + QLatin1Char(' ');
    return text.leftJustified(column, QLatin1Char(' '));
}

} // namespace

const Command *findCommand(const QString &name)
{
    for (const Command &command : Commands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

QString commandHelpText()
{
    const QString indent(SynopsisColumn, QLatin1Char(' '));
    const QString summaryIndent(SynopsisColumn + SummaryColumn, QLatin1Char(' '));
    QString text = QStringLiteral("Commands:\n");
    for (const Command &command : Commands) {
        text += indent + padded(QLatin1String(command.synopsis), SummaryColumn) + QLatin1String(command.summary)
                + QLatin1Char('\n');
        text += summaryIndent + QStringLiteral("e.g. ") + QLatin1String(command.example) + QLatin1Char('\n');
    }
    text += QStringLiteral("\nPreferences (default):\n");
    for (const Preference &preference : preferences())
        text += indent + padded(QLatin1String(preference.key), SummaryColumn) + QLatin1String(preference.defaultText)
                + QLatin1Char('\n');
    text += QStringLiteral("\nExit codes: 0 done, 1 the library reported a failure, 2 wrong command line "
                           "(nothing changed).\nThe store is <config>/Dravel/Molvane.ini, <config> being "
                           "$XDG_CONFIG_HOME or the user's configuration folder.");
    return text;
}

QString usageOf(const Command &command)
{
    return QStringLiteral("usage: ") + QLatin1String(ToolName) + QLatin1Char(' ') + QLatin1String(command.synopsis);
}

} // namespace KelSettings
