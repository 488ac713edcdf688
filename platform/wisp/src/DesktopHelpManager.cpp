// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Gui::Wisp::DesktopHelpManager: target checks, help map lookup and messages, shared by every platform.
#include <Gui/Wisp/DesktopHelpManager.h>

#include "DesktopOpener.h"
#include "HelpMap.h"
#include "WispLogging.h"

#include <Port/MsgManData.h>

#include <QtCore/QByteArray>
#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QMutex>
#include <QtCore/QMutexLocker>

#include <optional>

#ifndef KEL_INSTALL_DATADIR
#  error "KEL_INSTALL_DATADIR must name the installed data folder (set by platform/wisp/CMakeLists.txt)"
#endif

namespace Gui {
namespace Wisp {

namespace {

constexpr char MessageDomain[] = "wisp";
constexpr char SourceName[] = "DesktopHelpManager.cpp";
constexpr char HelpFolderName[] = "help";
constexpr char OptionMark = '-';

const char *describe(DesktopOpener::Kind kind)
{
    return kind == DesktopOpener::Kind::PdfFile ? "PDF files" : "web pages";
}

// A target the opener would read as an option (or none at all) is never
// handed on: "--help" or "-e cmd" must not reach its command line.
bool isRefusedTarget(const QString &target)
{
    return target.isEmpty() || target.startsWith(QLatin1Char(OptionMark));
}

// QDir::isAbsolutePath builds a QFileInfo to answer, which costs a launch
// more than the rest of its path handling; on UNIX a path from the root is
// absolute without asking. Any other path gets QDir's answer.
bool isAbsolutePath(const QString &path)
{
#if !defined(Q_OS_WIN)
    if (path.startsWith(QLatin1Char('/')))
        return true;
#endif
    return QDir::isAbsolutePath(path);
}

bool openWithDefaultProgram(DesktopOpener::Kind kind, const QString &target)
{
    if (isRefusedTarget(target)) {
        qCWarning(lcLaunch, "Refusing to open '%s' with the default program for %s: empty or starts with '-'",
                  target.toUtf8().constData(), describe(kind));
        return false;
    }
    // A started program's late failure is reported from here. Made once, not
    // at every launch: launches run on the host's GUI thread.
    static const Port_MsgManData launching = Port_MsgManData::createObject(MessageDomain, SourceName, __LINE__, "");
    switch (DesktopOpener::start(kind, target, launching)) {
    case DesktopOpener::StartOutcome::Started:
        return true;
    case DesktopOpener::StartOutcome::NoOpener:
        qCWarning(lcLaunch, "No default program for %s was found; '%s' not opened", describe(kind),
                  target.toUtf8().constData());
        return false;
    case DesktopOpener::StartOutcome::Failed:
        return false;
    }
    return false;
}

} // namespace

class DesktopHelpManager::Private
{
public:
    mutable QMutex mutex;
    // Unset until the host chooses folders; then the defaults are used.
    std::optional<QStringList> folders;
};

DesktopHelpManager::DesktopHelpManager() : d(new Private) {}

DesktopHelpManager::~DesktopHelpManager()
{
    uninstall();
}

QString DesktopHelpManager::getPDFViewer() const
{
    return DesktopOpener::defaultCommand(DesktopOpener::Kind::PdfFile);
}

QString DesktopHelpManager::getWebBrowser() const
{
    return DesktopOpener::defaultCommand(DesktopOpener::Kind::WebLink);
}

bool DesktopHelpManager::runPDFReader(const QString &file)
{
    // A relative name is made absolute first: the viewer runs with another
    // working directory, and "-x.pdf" becomes "/cwd/-x.pdf", no option. A
    // path that is absolute already is only cleaned, as QFileInfo would.
    QString absolute;
    if (isAbsolutePath(file))
        absolute = QDir::toNativeSeparators(QDir::cleanPath(file));
    else if (!file.isEmpty())
        absolute = QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
    return openWithDefaultProgram(DesktopOpener::Kind::PdfFile, absolute);
}

bool DesktopHelpManager::runWebBrowser(const QString &url)
{
    return openWithDefaultProgram(DesktopOpener::Kind::WebLink, url);
}

bool DesktopHelpManager::showHelpTopic(const QString &mapName, const QString &topic, TopicPrefix prefix)
{
    // Topics are looked up as they stand whatever the prefix: the maps of
    // this family carry no context entries.
    Q_UNUSED(prefix)
    const QByteArray mapText = mapName.toUtf8();
    const QByteArray topicText = topic.toUtf8();
    if (!HelpMap::isPlainName(mapName)) {
        qCWarning(lcLaunch, "Help map name '%s' is not a file name inside the help folders; topic '%s' not opened",
                  mapText.constData(), topicText.constData());
        return false;
    }
    const QString mapPath = HelpMap::locate(helpFolders(), mapName);
    if (mapPath.isEmpty()) {
        qCWarning(lcLaunch, "Help map '%s' is in none of the help folders; topic '%s' not opened", mapText.constData(),
                  topicText.constData());
        return false;
    }
    QByteArray content;
    QString problem;
    if (!HelpMap::readText(mapPath, &content, &problem)) {
        qCWarning(lcLaunch, "Help map '%s' could not be read (%s); topic '%s' not opened",
                  QDir::toNativeSeparators(mapPath).toUtf8().constData(), problem.toUtf8().constData(),
                  topicText.constData());
        return false;
    }
    const QString target = HelpMap::targetOf(content, topic);
    if (target.isEmpty()) {
        qCWarning(lcLaunch, "Help map '%s' has no topic '%s'", mapText.constData(), topicText.constData());
        return false;
    }
    return runWebBrowser(HelpMap::browserTarget(target, QFileInfo(mapPath).absolutePath()));
}

void DesktopHelpManager::setHelpFolders(const QStringList &folders)
{
    QMutexLocker lock(&d->mutex);
    d->folders = folders;
}

QStringList DesktopHelpManager::helpFolders() const
{
    {
        QMutexLocker lock(&d->mutex);
        if (d->folders)
            return *d->folders;
    }
    return defaultHelpFolders();
}

QStringList DesktopHelpManager::defaultHelpFolders()
{
    QStringList folders;
    // Without an application object there is no executable folder to ask.
    if (QCoreApplication::instance())
        folders << QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(HelpFolderName);
    folders << QString::fromUtf8(KEL_INSTALL_DATADIR) + QLatin1Char('/') + QLatin1String(HelpFolderName);
    return folders;
}

} // namespace Wisp
} // namespace Gui
