// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// A QSettings program that shares the store's file, as the host's other components or an administrator's script do.
#include "VariantTransport.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QSettings>
#include <QtCore/QStringList>
#include <QtCore/QThread>
#include <QtCore/QVersionNumber>

#if defined(KEL_PEER_GUI)
#include <QtGui/QBrush>
#include <QtGui/QCursor>
#include <QtGui/QFont>
#include <QtGui/QGuiApplication>
#include <QtGui/QPalette>
#include <QtGui/QPen>
#endif

#include <cstdio>

// A type of this program's own, which no other program knows by its name.
struct PeerMark
{
    QString text;
    qint32 level = 0;
};
Q_DECLARE_METATYPE(PeerMark)

QDataStream &operator<<(QDataStream &out, const PeerMark &mark)
{
    return out << mark.text << mark.level;
}

QDataStream &operator>>(QDataStream &in, PeerMark &mark)
{
    return in >> mark.text >> mark.level;
}

namespace {

void registerTypes()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    qRegisterMetaType<PeerMark>("PeerMark");
    qRegisterMetaType<QVersionNumber>();
#else
    qRegisterMetaTypeStreamOperators<PeerMark>("PeerMark");
    qRegisterMetaTypeStreamOperators<QVersionNumber>("QVersionNumber");
#endif
}

void waitFor(const QString &file)
{
    while (!QFile::exists(file))
        QThread::msleep(1);
}

// No codec is set, as no QSettings program of Qt 5 sets one.
int run(const QStringList &a)
{
    const QString command = a.value(1);
    QSettings settings(a.value(2), QSettings::IniFormat);
    if (command == QLatin1String("set")) {  // set FILE KEY VALUE
        settings.setValue(a.value(3), KelTest::decodedVariant(a.value(4).toLatin1()));
        settings.sync();
        return settings.status() == QSettings::NoError ? 0 : 1;
    }
    if (command == QLatin1String("get")) {  // get FILE KEY: "value BASE64" or "absent"
        if (!settings.contains(a.value(3)))
            std::printf("absent\n");
        else
            std::printf("value %s\n", KelTest::encodedVariant(settings.value(a.value(3))).constData());
        return 0;
    }
    if (command == QLatin1String("write-keys")) {  // write-keys FILE PREFIX COUNT GOFILE
        waitFor(a.value(5));
        const int count = a.value(4).toInt();
        for (int i = 0; i < count; ++i) {
            settings.setValue(a.value(3) + QString::number(i), i);
            settings.sync();
        }
        return settings.status() == QSettings::NoError ? 0 : 1;
    }
    if (command == QLatin1String("set-mark")) {  // set-mark FILE KEY TEXT: a value of this program's own type
        settings.setValue(a.value(3), QVariant::fromValue(PeerMark{a.value(4), 7}));
        settings.sync();
        return settings.status() == QSettings::NoError ? 0 : 1;
    }
    if (command == QLatin1String("get-mark")) {  // get-mark FILE KEY: "mark TEXT LEVEL" or "absent"
        const QVariant value = settings.value(a.value(3));
        if (!value.canConvert<PeerMark>())
            std::printf("absent\n");
        else
            std::printf("mark %s %d\n", qPrintable(value.value<PeerMark>().text), value.value<PeerMark>().level);
        return 0;
    }
#if defined(KEL_PEER_GUI)
    if (command == QLatin1String("set-gui")) {  // set-gui FILE: one value of each type only a GUI program reads
        QPalette palette(Qt::darkCyan);
        palette.setColor(QPalette::ToolTipBase, Qt::yellow);
        settings.setValue(QStringLiteral("Gui/Font"), QFont(QStringLiteral("Sans Serif"), 13, QFont::Bold, true));
        settings.setValue(QStringLiteral("Gui/Brush"), QBrush(Qt::red, Qt::Dense3Pattern));
        settings.setValue(QStringLiteral("Gui/Pen"), QPen(QBrush(Qt::blue), 2.5, Qt::DashDotLine));
        settings.setValue(QStringLiteral("Gui/Palette"), palette);
        settings.setValue(QStringLiteral("Gui/Cursor"), QCursor(Qt::WaitCursor));
        settings.sync();
        return settings.status() == QSettings::NoError ? 0 : 1;
    }
#endif
    if (command == QLatin1String("count-keys")) {  // count-keys FILE PREFIX COUNT: how many hold their number
        int present = 0;
        const int count = a.value(4).toInt();
        for (int i = 0; i < count; ++i)
            present += settings.value(a.value(3) + QString::number(i)) == QVariant(QString::number(i)) ? 1 : 0;
        std::printf("%d\n", present);
        return 0;
    }
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
#if defined(KEL_PEER_GUI)
    QGuiApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    registerTypes();
    return run(QCoreApplication::arguments());
}
