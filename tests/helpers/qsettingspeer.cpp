// A QSettings program that shares the store's file, as the host's other components or an administrator's script do.
#include "VariantTransport.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QSettings>
#include <QtCore/QStringList>
#include <QtCore/QThread>

#include <cstdio>

namespace {

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
    QCoreApplication app(argc, argv);
    return run(QCoreApplication::arguments());
}
