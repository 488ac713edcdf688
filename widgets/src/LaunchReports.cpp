// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// A message handler put in front of the host's while a tried program may still report, taking that program's reports and passing every other message on.
#include "LaunchReports.h"

#include <Port/Launcher.h>
#include <Port/MsgManData.h>

#include <QtCore/QByteArray>
#include <QtCore/QCoreApplication>
#include <QtCore/QMessageLogger>
#include <QtCore/QPointer>
#include <QtCore/QTimer>

#include <climits>
#include <list>
#include <mutex>
#include <utility>

namespace Kel {
namespace Widgets {

namespace {

// A late report travels through the application's event queue after the window.
constexpr int ReportDeliveryMarginMs = 2000;

struct Listener
{
    QPointer<QObject> receiver;
    QByteArray quotedTarget;
    std::function<void(const QString &)> heard;
};

struct Listeners
{
    std::mutex mutex;
    std::list<Listener> all;
    Port_MessageHandler previous;
    bool installed = false;
};

Listeners &listeners()
{
    static Listeners *state = new Listeners;  // a late report may arrive while statics are destroyed
    return *state;
}

// What the channel does with a message when the host installed no handler.
void sendToQtLog(const Port_Message &message)
{
    std::string text = message.text;
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    const int line = message.line > static_cast<unsigned>(INT_MAX) ? INT_MAX : static_cast<int>(message.line);
    QMessageLogger(message.file.c_str(), line, nullptr, message.domain.c_str()).warning("%s", text.c_str());
}

// The handler, recognisable by its type when it is taken out again.
struct Tap
{
    void operator()(const Port_Message &message) const
    {
        Listeners &state = listeners();
        Port_MessageHandler previous;
        bool taken = false;
        {
            std::lock_guard<std::mutex> lock(state.mutex);
            previous = state.previous;
            for (const Listener &listener : state.all) {
                const QPointer<QObject> receiver = listener.receiver;
                if (!receiver || message.text.find(listener.quotedTarget.constData()) == std::string::npos)
                    continue;
                const QString text = QString::fromStdString(message.text).trimmed();
                const auto heard = listener.heard;
                QMetaObject::invokeMethod(
                    receiver.data(),
                    [receiver, heard, text] {
                        if (receiver)
                            heard(text);
                    },
                    Qt::QueuedConnection);
                taken = true;
            }
        }
        // The widget shows the report where the user tried the program; the
        // host showing it as well would tell the user twice.
        if (taken)
            return;
        if (previous)
            previous(message);
        else
            sendToQtLog(message);
    }
};

void stopListening(std::list<Listener>::iterator which)
{
    Listeners &state = listeners();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.all.erase(which);
    if (!state.all.empty() || !state.installed)
        return;
    state.installed = false;
    Port_MessageHandler current = Port_MsgManData::SetHandler(std::exchange(state.previous, {}));
    // The host installed a handler of its own meanwhile: that one stays.
    if (!current.target<Tap>())
        Port_MsgManData::SetHandler(std::move(current));
}

} // namespace

void listenForReports(QObject *receiver, const QString &target, std::function<void(const QString &)> heard)
{
    Listeners &state = listeners();
    std::list<Listener>::iterator added;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        added = state.all.insert(state.all.end(),
                                 Listener{receiver, '\'' + target.toUtf8() + '\'', std::move(heard)});
        // Put in front again each time: the host may have installed a handler
        // of its own since, which then gets every message after the tap.
        Port_MessageHandler current = Port_MsgManData::SetHandler(Tap());
        if (!current.target<Tap>())
            state.previous = std::move(current);
        state.installed = true;
    }
    QTimer::singleShot(Port::Launcher::LateFailureWindowMs + ReportDeliveryMarginMs, QCoreApplication::instance(),
                       [added] { stopListening(added); });
}

} // namespace Widgets
} // namespace Kel
