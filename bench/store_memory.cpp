// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel_bench_storememory: the host's memory while another program rewrites a 2 MB store 40 times, through the library and through plain QSettings.
#include <Gui/Wisp/Settings.h>
#include <Kel_UserSettings.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>

#include <cstdio>
#include <cstring>

#include <sys/resource.h>

namespace {

constexpr int kRewrites = 40;
constexpr int kKeys = 20000;  // about 2 MB of text

long peakRssKiB()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;  // KiB on Linux
}

QByteArray storeText(int version)
{
    QByteArray text = "[General]\nOpenPreviousProject=true\n";
    for (int i = 0; i < kKeys; ++i)
        text += "WidgetStateDock" + QByteArray::number(i) + '=' + QByteArray(90, char('a' + (i + version) % 26)) + '\n';
    return text;
}

// One host: after each rewrite by the peer (this process, between reads), reads one preference.
int host(bool library)
{
    const QString path = Gui::Wisp::Settings("Molvane", true, true, true).fileName();
    QDir().mkpath(QFileInfo(path).absolutePath());
    const long before = peakRssKiB();
    for (int version = 0; version < kRewrites; ++version) {
        QFile file(path);
        const QByteArray text = storeText(version);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
            return 1;
        file.close();
        const bool value = library ? Kel::UserSettings::GetOpenPreviousProject()
                                   : QSettings(path, QSettings::IniFormat).value(QStringLiteral("OpenPreviousProject")).toBool();
        if (!value)
            return 1;
    }
    std::printf("%ld\n", peakRssKiB() - before);
    return 0;
}

long runHost(const char *mode)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QLatin1String(mode)});
    if (!child.waitForFinished(600000) || child.exitCode() != 0)
        return -1;
    return child.readAllStandardOutput().trimmed().toLong();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 2)
        return host(std::strcmp(argv[1], "library") == 0);
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const long library = runHost("library");
    const long qt = runHost("qsettings");
    if (library < 0 || qt < 0) {
        std::fprintf(stderr, "kel_bench_storememory: a host failed\n");
        return 1;
    }
    const double ratio = qt > 0 ? double(library) / double(qt) : 0.0;
    std::printf("peak RSS growth over %d rewrites of a %d KiB store: library %ld KiB, QSettings per call %ld KiB, ratio %.2f "
                "(target at most 1.5)\n",
                kRewrites, int(storeText(0).size() / 1024), library, qt, ratio);
    return ratio <= 1.5 ? 0 : 1;
}
