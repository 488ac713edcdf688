// Gui::Wisp::RecentFileList: a most-recent-first list of file names.
#pragma once

#include <Gui/Wisp/wisp_export.h>

#include <QtCore/QObject>
#include <QtCore/QStringList>

namespace Gui {
namespace Wisp {

class WISP_EXPORT RecentFileList : public QObject
{
    Q_OBJECT
public:
    // The longest list that push_front keeps.
    static constexpr int MaxEntries = 32;

    explicit RecentFileList(const QStringList &files, QObject *parent = nullptr);
    ~RecentFileList() override;

    // Makes name entry 0, removes an earlier entry that names the same file
    // (same text after QDir::cleanPath; letter case ignored on Windows and
    // macOS) and drops the oldest entries beyond MaxEntries.
    void push_front(const QString &name);

    QStringList getStringList() const;

private:
    QStringList m_files;
};

} // namespace Wisp
} // namespace Gui
