// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Gui::Wisp::RecentFileList: most recent first, one entry per file, at most MaxEntries.
#include <Gui/Wisp/RecentFileList.h>

#include "SameFileName.h"

namespace Gui {
namespace Wisp {

RecentFileList::RecentFileList(const QStringList &files, QObject *parent)
    : QObject(parent), m_files(files)
{
}

RecentFileList::~RecentFileList() = default;

void RecentFileList::push_front(const QString &name)
{
    for (int i = m_files.size() - 1; i >= 0; --i) {
        if (namesSameFile(m_files.at(i), name))
            m_files.removeAt(i);
    }
    m_files.prepend(name);
    while (m_files.size() > MaxEntries)
        m_files.removeLast();
}

QStringList RecentFileList::getStringList() const
{
    return m_files;
}

} // namespace Wisp
} // namespace Gui
