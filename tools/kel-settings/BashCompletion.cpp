// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Writes the bash completion of kel-settings from the tables: commands, options, keys, values, viewers and files.
#include "BashCompletion.h"

#include "CommandTable.h"
#include "PreferenceStore.h"
#include "Preferences.h"

#include <QtCore/QLatin1String>
#include <QtCore/QStringList>

#include <iterator>

namespace KelSettings {

namespace {

// The words before the cursor, options and the store folder left out, are in
// args, and the store folder's option in store; cur is the word being
// completed. Bash cuts "--config-dir=DIR" into three words at the '='. Names
// are split at newlines only, so a name with a blank stays one word.
constexpr char ScriptHead[] = R"(# bash completion for kel-settings: commands, options, keys, values and files.
_kel_settings()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} IFS=$'\n'
    local -a args=() store=()
    local i entry words=
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            --@CONFIG_DIR@)
                [[ ${COMP_WORDS[i+1]} == = ]] && ((i++))
                ((i++)); store=(--@CONFIG_DIR@ "${COMP_WORDS[i]}") ;;
            --@CONFIG_DIR@=*) store=("${COMP_WORDS[i]}") ;;
            -*) ;;
            *) args+=("${COMP_WORDS[i]}") ;;
        esac
    done
    COMPREPLY=()
    if [[ $prev == --@CONFIG_DIR@ || ( $prev == = && ${COMP_WORDS[COMP_CWORD-2]} == --@CONFIG_DIR@ ) ]]; then
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -d -- "$cur"))
        return
    fi
)";

constexpr char ScriptTail[] = R"(    COMPREPLY=($(compgen -W "$words" -- "$cur"))
}
complete -F _kel_settings kel-settings
)";

constexpr char FileCompletion[] =
    "compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- \"$cur\")); return";
constexpr char ProgramCompletion[] = "COMPREPLY=($(compgen -c -- \"$cur\")); return";
// The entries the application lists, from the store the line names.
constexpr char RecentEntryCompletion[] =
    "compopt -o filenames 2>/dev/null; while read -r entry; do [[ $entry == \"$cur\"* ]] && COMPREPLY+=(\"$entry\"); "
    "done < <(\"${COMP_WORDS[0]}\" \"${store[@]}\" recent 2>/dev/null); return";

QString words(const QStringList &list)
{
    return QStringLiteral("words=$'") + list.join(QStringLiteral("\\n")) + QLatin1Char('\'');
}

QStringList wordsOf(const char *const *first, const char *const *last)
{
    QStringList list;
    for (; first != last; ++first)
        list << QLatin1String(*first);
    return list;
}

QStringList optionWords(unsigned int bits)
{
    QStringList list;
    for (const OptionSpec &option : options()) {
        if (!option.bit || (bits & option.bit))
            list << QStringLiteral("--") + QLatin1String(option.name);
    }
    return list;
}

QStringList commandNames()
{
    QStringList list;
    for (const Command &command : commands())
        list << QLatin1String(command.name);
    return list;
}

QStringList resettableKeys()
{
    return preferenceKeys() << RecentFilesKey << WindowStateKey << WidgetStatePrefix;
}

// A case on the key before the value: its words, or programs for a command line.
QString valueCompletion(int keyPosition)
{
    QString text = QStringLiteral("case ${args[") + QString::number(keyPosition) + QStringLiteral("]} in\n");
    for (const Preference &preference : preferences()) {
        text += QStringLiteral("                ") + QLatin1String(preference.key()) + QStringLiteral(") ");
        if (preference.type() == ValueType::CommandLine)
            text += QLatin1String(ProgramCompletion);
        else
            text += words(valueWords(preference));
        text += QStringLiteral(" ;;\n");
    }
    return text + QStringLiteral("            esac");
}

QString argumentCompletion(ArgumentKind kind, int position)
{
    switch (kind) {
    case ArgumentKind::Text:
        return QStringLiteral("return");
    case ArgumentKind::CommandName:
        return words(commandNames());
    case ArgumentKind::PreferenceKey:
        return words(preferenceKeys());
    case ArgumentKind::ResettableKey:
        return words(resettableKeys());
    case ArgumentKind::PreferenceValue:
        return valueCompletion(position - 1);
    case ArgumentKind::ViewerName:
        return words(wordsOf(std::begin(ViewerNames), std::end(ViewerNames)));
    case ArgumentKind::RecentAction:
        return words(wordsOf(std::begin(RecentActions), std::end(RecentActions)));
    case ArgumentKind::File:
        return QLatin1String(FileCompletion);
    case ArgumentKind::RecentTarget:
        return QStringLiteral("if [[ ${args[1]} == ") + QLatin1String(RecentActions[1]) + QStringLiteral(" ]]; then ")
               + QLatin1String(RecentEntryCompletion) + QStringLiteral("; fi; ") + QLatin1String(FileCompletion);
    }
    return QStringLiteral("return");
}

QString optionCases()
{
    QString text = QStringLiteral("    if [[ $cur == -* ]]; then\n        case ${args[0]} in\n");
    for (const Command &command : commands())
        text += QStringLiteral("            ") + QLatin1String(command.name) + QStringLiteral(") ")
                + words(optionWords(command.options)) + QStringLiteral(" ;;\n");
    text += QStringLiteral("            *) ") + words(optionWords(0)) + QStringLiteral(" ;;\n");
    return text + QStringLiteral("        esac\n        COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
                                 "        return\n    fi\n");
}

QString argumentCases()
{
    QString text = QStringLiteral("    case ${#args[@]} in\n        0) ") + words(commandNames())
                   + QStringLiteral(" ;;\n        *) case ${args[0]}:${#args[@]} in\n");
    for (const Command &command : commands()) {
        for (int position = 1; position <= command.maxArguments && position <= MaxArguments; ++position) {
            text += QStringLiteral("            ") + QLatin1String(command.name) + QLatin1Char(':')
                    + QString::number(position) + QStringLiteral(") ")
                    + argumentCompletion(command.arguments[position - 1], position) + QStringLiteral(" ;;\n");
        }
    }
    return text + QStringLiteral("            *) return ;;\n        esac ;;\n    esac\n");
}

} // namespace

QString bashCompletion()
{
    QString head = QLatin1String(ScriptHead);
    head.replace(QStringLiteral("@CONFIG_DIR@"), QLatin1String(ConfigDirOptionName));
    return head + optionCases() + argumentCases() + QLatin1String(ScriptTail);
}

} // namespace KelSettings
