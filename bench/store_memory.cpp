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
#include <utility>

#include <unistd.h>

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

long rssKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    const QList<QByteArray> pages = statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ') : QList<QByteArray>();
    return pages.size() > 1 ? pages.at(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024) : 0;
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
    const long before = peakRssKiB(), residentBefore = rssKiB();
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
    std::printf("%ld %ld\n", peakRssKiB() - before, rssKiB() - residentBefore);
    return 0;
}

// Peak and final growth of the resident set, in KiB.
std::pair<long, long> runHost(const char *mode)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QLatin1String(mode)});
    if (!child.waitForFinished(600000) || child.exitCode() != 0)
        return {-1, -1};
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
    return {figures.value(0).toLong(), figures.value(1).toLong()};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 2)
        return host(std::strcmp(argv[1], "library") == 0);
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const auto library = runHost("library");
    const auto qt = runHost("qsettings");
    if (library.first < 0 || qt.first < 0) {
        std::fprintf(stderr, "kel_bench_storememory: a host failed\n");
        return 1;
    }
    const double peak = qt.first > 0 ? double(library.first) / double(qt.first) : 0.0;
    const double end = qt.second > 0 ? double(library.second) / double(qt.second) : 0.0;
    std::printf("RSS growth over %d rewrites of a %d KiB store, library / QSettings per call: peak %ld / %ld KiB (%.2f), "
                "after the last read %ld / %ld KiB (%.2f); target at most 1.5\n",
                kRewrites, int(storeText(0).size() / 1024), library.first, qt.first, peak, library.second, qt.second, end);
    return 0;
}
