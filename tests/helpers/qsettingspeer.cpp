// A QSettings program that shares the store's file, as the host's other components or an administrator's script do.
#include <QtCore/QCoreApplication>
#include <QtCore/QDataStream>
#include <QtCore/QFile>
#include <QtCore/QIODevice>
#include <QtCore/QSettings>
#include <QtCore/QStringList>
#include <QtCore/QThread>

#include <cstdio>

namespace {

// Values cross the command line as QDataStream of Qt 5.15, which both Qt majors read and write.
constexpr QDataStream::Version kTransport = QDataStream::Qt_5_15;

QVariant decoded(const QString &base64)
{
    const QByteArray bytes = QByteArray::fromBase64(base64.toLatin1());
    QDataStream in(bytes);
    in.setVersion(kTransport);
    QVariant value;
    in >> value;
    return value;
}

QByteArray encoded(const QVariant &value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kTransport);
    out << value;
    return bytes.toBase64();
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
        settings.setValue(a.value(3), decoded(a.value(4)));
        settings.sync();
        return settings.status() == QSettings::NoError ? 0 : 1;
    }
    if (command == QLatin1String("get")) {  // get FILE KEY: "value BASE64" or "absent"
        if (!settings.contains(a.value(3)))
            std::printf("absent\n");
        else
            std::printf("value %s\n", encoded(settings.value(a.value(3))).constData());
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
