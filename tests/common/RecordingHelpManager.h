// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// A host's help manager that starts nothing and records what the library asks of it.
#pragma once

#include <Gui/Wisp/HelpManager.h>

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVector>

#include <functional>

namespace KelTest {

class RecordingHelpManager : public Gui::Wisp::HelpManager
{
public:
    struct TopicRequest
    {
        QString mapName;
        QString topic;
        TopicPrefix prefix;
    };

    ~RecordingHelpManager() override { uninstall(); }

    void install() { setInstance(this); }

    // What the host would answer; null means "no default program known".
    QString pdfViewerCommand;
    QString webBrowserCommand;
    // Whether the host's program "starts".
    bool runSucceeds = true;
    // Called on every start request, before it is recorded, so a test can
    // look at what had happened by then.
    std::function<void()> onRun;

    QStringList pdfFiles;
    QStringList urls;
    QVector<TopicRequest> topics;

    QString getPDFViewer() const override { return pdfViewerCommand; }
    QString getWebBrowser() const override { return webBrowserCommand; }

    bool runPDFReader(const QString &file) override
    {
        notifyRun();
        pdfFiles << file;
        return runSucceeds;
    }

    bool runWebBrowser(const QString &url) override
    {
        notifyRun();
        urls << url;
        return runSucceeds;
    }

    bool showHelpTopic(const QString &mapName, const QString &topic, TopicPrefix prefix) override
    {
        topics.append(TopicRequest{mapName, topic, prefix});
        return runSucceeds;
    }

private:
    void notifyRun()
    {
        if (onRun)
            onRun();
    }
};

} // namespace KelTest
