// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Gui::Wisp::RecentFileList: a most-recent-first list of file names.
 */
#pragma once

#include <Gui/Wisp/wisp_export.h>

#include <QtCore/QObject>
#include <QtCore/QStringList>

namespace Gui {
namespace Wisp {

/**
 * A most-recent-first list of file names, bounded to #MaxEntries.
 *
 * It keeps the list in memory only; Kel::UserSettings::SetPreviousProjectName
 * stores it.
 *
 * @threads The thread that owns the object, as for any QObject.
 * @blocking Never waits.
 * @since 1.19
 */
class WISP_EXPORT RecentFileList : public QObject
{
    Q_OBJECT
public:
    /** The longest list that push_front() keeps. */
    static constexpr int MaxEntries = 32;

    /**
     * A list of @p files, most recent first, taken as they are.
     *
     * @param files the names
     * @param parent the QObject parent, or null
     */
    explicit RecentFileList(const QStringList &files, QObject *parent = nullptr);
    /** Destroys the list. */
    ~RecentFileList() override;

    /**
     * Makes @p name entry 0.
     *
     * An earlier entry that names the same file (the same text after
     * QDir::cleanPath; letter case ignored on Windows and macOS) is removed,
     * and the oldest entries beyond #MaxEntries are dropped.
     *
     * @param name the file name
     */
    void push_front(const QString &name);

    /** @return the names, most recent first */
    QStringList getStringList() const;

private:
    QStringList m_files;
};

} // namespace Wisp
} // namespace Gui
