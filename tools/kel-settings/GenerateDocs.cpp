// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-settings-docs: writes kel-settings' manual page and bash completion from its tables, at build time.
#include "BashCompletion.h"
#include "ManPage.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QSaveFile>
#include <QtCore/QStringList>

#include <cstdio>

namespace {

bool writeText(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit()) {
        std::fprintf(stderr, "kel-settings-docs: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

// kel-settings-docs MAN_PAGE_FILE COMPLETION_FILE
int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: kel-settings-docs MAN_PAGE_FILE COMPLETION_FILE\n");
        return 2;
    }
    const bool written = writeText(args.at(1), KelSettings::manPage(QStringLiteral(KEL_SETTINGS_VERSION)))
                         && writeText(args.at(2), KelSettings::bashCompletion());
    return written ? 0 : 1;
}
