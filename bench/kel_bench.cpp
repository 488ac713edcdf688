// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The benchmark suite: each library operation beside the plain Qt way of doing the same work, as a ratio table.
//
// Every operation of the library runs on the host's GUI thread, so what counts
// is the wall-clock time of one call; every benchmark measures real time. The
// reference side of each pair does the same work the way a Qt program would
// without the library: a QSettings opened per call on the same file, a QHash
// of QImages, QString's own conversions.
#include "BenchOptions.h"
#include "RatioReporter.h"

#include <RecordingHelpManager.h>

#include <Gui/Wisp/ImageManager.h>
#include <Gui/Wisp/Settings.h>
#include <Kel_ImageUtil.h>
#include <Kel_ProductWebpage.h>
#include <Kel_UserSettings.h>
#include <Kel_Utility.h>
#include <Port/StringBase.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>
#include <QtCore/QUrl>
#include <QtGui/QBitmap>
#include <QtGui/QGuiApplication>
#include <QtGui/QIcon>
#include <QtGui/QImage>
#include <QtGui/QPixmap>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

using KelBench::Comparison;
using Port::StringBase;

constexpr char kScope[] = "Molvane";
const QString kOrganisation = QStringLiteral("Dravel");
const QString kApplication = QStringLiteral("Molvane");

// ---- The store under test --------------------------------------------------

// What the scope file holds. The store is rewritten only when a benchmark
// needs a different layout, so its own measurements never include the set-up.
struct StoreLayout
{
    int keys = 12;
    int recentEntries = 10;
    int recentLimit = 4;
    bool defaultBrowser = true;

    bool operator==(const StoreLayout &o) const
    {
        return keys == o.keys && recentEntries == o.recentEntries && recentLimit == o.recentLimit
               && defaultBrowser == o.defaultBrowser;
    }
};

QString g_projectDir;
bool g_haveLayout = false;
StoreLayout g_layout;

QStringList recentProjects(int count)
{
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries << g_projectDir + QStringLiteral("/customer %1/design_%1.prj").arg(i);
    return entries;
}

void createProjectFiles(int count)
{
    for (const QString &path : recentProjects(count)) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qWarning("kel_bench: cannot create %s", qUtf8Printable(path));
    }
}

// The twelve keys a user's store holds, then widget states up to keys.
void ensureStore(const StoreLayout &want)
{
    if (g_haveLayout && g_layout == want)
        return;
    Gui::Wisp::Settings store(kScope, true, true, true);
    store.clear();
    store.setValue(QStringLiteral("UseDefaultPDFViewer"), true);
    store.setValue(QStringLiteral("UseDefaultWebBrowser"), want.defaultBrowser);
    store.setValue(QStringLiteral("OpenPreviousProject"), false);
    store.setValue(QStringLiteral("OverwriteFiles"), false);
    store.setValue(QStringLiteral("PDFViewer"), QStringLiteral("evince %1"));
    store.setValue(QStringLiteral("WebBrowser"), QStringLiteral("firefox --new-tab %1"));
    store.setValue(QStringLiteral("DisplayReadme"), true);
    store.setValue(QStringLiteral("JavaMemorySize"), 3);
    store.setValue(QStringLiteral("RecentProjectCount"), want.recentLimit);
    store.setValue(QStringLiteral("WindowState"), QByteArray(96, '\x07'));
    store.setValue(QStringLiteral("WidgetStateMainSplitter"), QByteArray(40, '\x01'));
    store.setValue(QStringLiteral("RecentFiles"), recentProjects(want.recentEntries));
    for (int i = 12; i < want.keys; ++i)
        store.setValue(QStringLiteral("WidgetStateDock%1").arg(i, 4, 10, QLatin1Char('0')),
                       QByteArray(40, char('a' + i % 26)));
    g_layout = want;
    g_haveLayout = true;
}

// What the library's design does on every preference call, done with QSettings.
QSettings::Format kIni = QSettings::IniFormat;

QVariant rawRead(const QString &key, const QVariant &defaultValue)
{
    QSettings settings(kIni, QSettings::UserScope, kOrganisation, kApplication);
    return settings.value(key, defaultValue);
}

void rawWrite(const QString &key, const QVariant &value)
{
    QSettings settings(kIni, QSettings::UserScope, kOrganisation, kApplication);
    settings.setValue(key, value);
}

// ---- Preferences -------------------------------------------------------------

void getterOurs(benchmark::State &state, int keys)
{
    ensureStore(StoreLayout{keys});
    for (auto _ : state)
        benchmark::DoNotOptimize(Kel::UserSettings::GetOpenPreviousProject());
}

void getterQt(benchmark::State &state, int keys)
{
    ensureStore(StoreLayout{keys});
    const QString key = QStringLiteral("OpenPreviousProject");
    for (auto _ : state)
        benchmark::DoNotOptimize(rawRead(key, false).toBool());
}

void setterOurs(benchmark::State &state, int keys)
{
    ensureStore(StoreLayout{keys});
    bool value = false;
    for (auto _ : state) {
        value = !value;
        benchmark::DoNotOptimize(Kel::UserSettings::SetOpenPreviousProject(value));
    }
}

void setterQt(benchmark::State &state, int keys)
{
    ensureStore(StoreLayout{keys});
    const QString key = QStringLiteral("OpenPreviousProject");
    bool value = false;
    for (auto _ : state) {
        value = !value;
        rawWrite(key, value);
    }
}

// Another program rewrites the file (outside the timing) before each read:
// every read is a first read of a new version.
template <typename Read>
void afterPeerChange(benchmark::State &state, Read read)
{
    ensureStore(StoreLayout{12});
    const QString path = Gui::Wisp::Settings(kScope, true, true, true).fileName();
    QFile current(path);
    const QByteArray text = current.open(QIODevice::ReadOnly) ? current.readAll() : QByteArray();
    const QByteArray versions[] = {text, text + "Peer=1\n", text + "Peer=22\n"};
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile file(path);
        const QByteArray &next = versions[++round % 3];
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(next) != next.size())
            state.SkipWithError("cannot rewrite the store file");
        file.close();
        state.ResumeTiming();
        benchmark::DoNotOptimize(read());
    }
    g_haveLayout = false;
}

// ---- Recent projects ---------------------------------------------------------

void recentOurs(benchmark::State &state, int entries, int limit)
{
    ensureStore(StoreLayout{12, entries, limit});
    for (auto _ : state)
        benchmark::DoNotOptimize(Kel::UserSettings::GetRecentProjects());
}

// The same walk with a QSettings of its own for the list and for each limit read.
void recentQt(benchmark::State &state, int entries, int limit)
{
    ensureStore(StoreLayout{12, entries, limit});
    const QString listKey = QStringLiteral("RecentFiles");
    const QString limitKey = QStringLiteral("RecentProjectCount");
    for (auto _ : state) {
        std::vector<QByteArray> existing;
        const QStringList stored = rawRead(listKey, QVariant()).toStringList();
        int examined = 0;
        for (const QString &entry : stored) {
            if (QFile::exists(entry))
                existing.push_back(entry.toLocal8Bit());
            ++examined;
            if (examined == rawRead(limitKey, 4).toInt())
                break;
        }
        benchmark::DoNotOptimize(existing);
    }
}

// ---- Pixmaps and icons -------------------------------------------------------

QString g_imageRoot;

// Half of the pixels share the colour of the top-left one, so a mask has work to do.
QImage patternImage(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < side; ++x)
            line[x] = (x + y) % 2 == 0 ? qRgb(255, 0, 255) : qRgba(x * 7 % 256, y * 5 % 256, 90, 255);
    }
    return image;
}

QString imageName(int side)
{
    return QStringLiteral("bench_%1").arg(side);
}

// One image per size for the whole run, so its cache key stays the same.
const QImage &benchImage(int side)
{
    static QHash<int, QImage> images;
    auto found = images.find(side);
    if (found == images.end())
        found = images.insert(side, patternImage(side));
    return found.value();
}

void pixmapOurs(benchmark::State &state, int side, bool mask)
{
    const QString name = imageName(side);
    Gui::Wisp::ImageManager::getInstance()->addImage(name, benchImage(side));
    for (auto _ : state)
        benchmark::DoNotOptimize(Kel::ImageUtil::GetPixmap(name, mask));
}

QPixmap rawPixmap(const QHash<QString, QImage> &cache, const QString &name, bool mask)
{
    const QImage image = cache.value(name);
    if (image.isNull())
        return QPixmap();
    QPixmap pixmap = QPixmap::fromImage(image, Qt::AutoColor);
    if (mask)
        pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(image.pixel(0, 0), Qt::MaskInColor)));
    return pixmap;
}

void pixmapQt(benchmark::State &state, int side, bool mask)
{
    QHash<QString, QImage> cache;
    const QString name = imageName(side);
    cache.insert(name, benchImage(side));
    for (auto _ : state)
        benchmark::DoNotOptimize(rawPixmap(cache, name, mask));
}

void pixmapMissOurs(benchmark::State &state)
{
    const QString name = QStringLiteral("no_such_image");
    for (auto _ : state)
        benchmark::DoNotOptimize(Kel::ImageUtil::GetPixmap(name, false));
}

// A miss is a hash miss and then the same file probes the library makes.
void pixmapMissQt(benchmark::State &state)
{
    QHash<QString, QImage> cache;
    const QString name = QStringLiteral("no_such_image");
    const char *const extensions[] = {"bmp", "gif", "jpg", "png"};
    for (auto _ : state) {
        bool found = !cache.value(name).isNull();
        for (const char *dir : {"/molvane/images/", "/quillan/image/"}) {
            for (const char *ext : extensions) {
                const QString path = g_imageRoot + QLatin1String(dir) + name + QLatin1Char('.') + QLatin1String(ext);
                found = found || QFileInfo(path).isFile();
            }
            found = found || QFileInfo(name).isFile();
        }
        benchmark::DoNotOptimize(found);
    }
}

void iconOurs(benchmark::State &state)
{
    const QString name = imageName(32);
    Gui::Wisp::ImageManager::getInstance()->addImage(name, benchImage(32));
    for (auto _ : state)
        benchmark::DoNotOptimize(Kel::ImageUtil::GetIcon(name, false));
}

void iconQt(benchmark::State &state)
{
    QHash<QString, QImage> cache;
    const QString name = imageName(32);
    cache.insert(name, benchImage(32));
    for (auto _ : state)
        benchmark::DoNotOptimize(QIcon(QPixmap::fromImage(cache.value(name))));
}

// ---- Conversions -------------------------------------------------------------

const QString kPathText = QStringLiteral("/home/user/projects/Quartalsbericht \u00fc/design_07.prj");

void toPortOurs(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Kel::Utility::QStringToPortString(kPathText));
}

void toPortQt(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(kPathText.toLocal8Bit());
}

void fromPortOurs(benchmark::State &state)
{
    const StringBase text = Kel::Utility::QStringToPortString(kPathText);
    for (auto _ : state)
        benchmark::DoNotOptimize(Kel::Utility::PortStringToQString(text));
}

void fromPortQt(benchmark::State &state)
{
    const QByteArray text = kPathText.toLocal8Bit();
    for (auto _ : state)
        benchmark::DoNotOptimize(QString::fromLocal8Bit(text));
}

// ---- Viewers and the product page -------------------------------------------

void browserPathOurs(benchmark::State &state)
{
    StoreLayout layout;
    layout.defaultBrowser = false;
    ensureStore(layout);
    for (auto _ : state) {
        StringBase path;
        std::vector<StringBase> args;
        benchmark::DoNotOptimize(Kel::UserSettings::GetWebBrowserPath(path, args));
        benchmark::DoNotOptimize(args);
    }
}

// Two preference reads (the flag, then the command line), each on its own QSettings, and the split.
void browserPathQt(benchmark::State &state)
{
    StoreLayout layout;
    layout.defaultBrowser = false;
    ensureStore(layout);
    const QString flagKey = QStringLiteral("UseDefaultWebBrowser");
    const QString commandKey = QStringLiteral("WebBrowser");
    for (auto _ : state) {
        std::vector<QByteArray> args;
        QByteArray program;
        if (!rawRead(flagKey, true).toBool()) {
            QStringList parts = rawRead(commandKey, QVariant()).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (!parts.isEmpty())
                program = parts.takeFirst().toLocal8Bit();
            for (const QString &part : parts)
                args.push_back(part.toLocal8Bit());
        }
        benchmark::DoNotOptimize(program);
        benchmark::DoNotOptimize(args);
    }
}

KelTest::RecordingHelpManager *g_help = nullptr;

void productPageOurs(benchmark::State &state)
{
    ensureStore(StoreLayout{});
    const StringBase core("name_v1_2");
    for (auto _ : state) {
        Kel::ProductWebpage::View(core);
        g_help->urls.clear();
    }
}

QString percentEncoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

void productPageQt(benchmark::State &state)
{
    const QString core = QStringLiteral("name_v1_2");
    for (auto _ : state) {
        const QString url = QLatin1String("http://www.dravel.com/cgi-bin/iplicense/locate_core_website.pl?core_name=")
                            + percentEncoded(QStringLiteral("name")) + QLatin1String("&core_ver=")
                            + percentEncoded(QStringLiteral("1.2")) + QLatin1String("&core_full_name=")
                            + percentEncoded(core) + QLatin1String("&locale=en");
        qInfo("Opening: '%s'", url.toLocal8Bit().constData());
        benchmark::DoNotOptimize(url);
    }
}

// ---- Registration ------------------------------------------------------------

std::vector<Comparison> g_comparisons;

void add(const std::string &name, std::function<void(benchmark::State &)> fn)
{
    benchmark::RegisterBenchmark(name.c_str(), [fn](benchmark::State &state) { fn(state); })->UseRealTime();
}

// Registers "<id>/ours" and "<id>/qt" and the row that compares them.
void pair(const std::string &id, const std::string &label, std::function<void(benchmark::State &)> ours,
          std::function<void(benchmark::State &)> qt, const std::string &note, std::optional<double> limit = {})
{
    add(id + "/ours", std::move(ours));
    add(id + "/qt", std::move(qt));
    g_comparisons.push_back(Comparison{label, id + "/ours", id + "/qt", limit, note});
}

void registerAll()
{
    using namespace std::placeholders;
    const std::string perCall = "QSettings per call";
    for (int keys : {12, 1000}) {
        const std::string k = std::to_string(keys);
        pair("getter/" + k + "keys", "preference getter, " + k + " keys", std::bind(getterOurs, _1, keys),
             std::bind(getterQt, _1, keys), perCall + " read", keys == 12 ? std::optional<double>(0.12) : std::nullopt);
    }
    g_comparisons.push_back(Comparison{"preference getter, 1,000 keys / 12 keys", "getter/1000keys/ours",
                                       "getter/12keys/ours", 1.5, "our own 12-key getter"});
    pair("getter/afterPeerChange", "preference getter, first read after another program's change",
         [](benchmark::State &state) { afterPeerChange(state, [] { return Kel::UserSettings::GetOpenPreviousProject(); }); },
         [](benchmark::State &state) {
             afterPeerChange(state, [] { return rawRead(QStringLiteral("OpenPreviousProject"), false).toBool(); });
         },
         perCall + " read of the changed file", 1.5);
    for (int keys : {12, 1000}) {
        const std::string k = std::to_string(keys);
        pair("setter/" + k + "keys", "preference setter, " + k + " keys (durable)", std::bind(setterOurs, _1, keys),
             std::bind(setterQt, _1, keys), perCall + " write", 1.1);
    }
    for (int entries : {10, 32}) {
        for (int limit : {4, 0}) {
            const std::string id = "recent/" + std::to_string(entries) + "entries/limit" + std::to_string(limit);
            const bool target = entries == 32 && limit == 0;
            pair(id, "GetRecentProjects, " + std::to_string(entries) + " entries, limit " + std::to_string(limit),
                 std::bind(recentOurs, _1, entries, limit), std::bind(recentQt, _1, entries, limit),
                 "same walk, " + perCall, target ? std::optional<double>(0.25) : std::nullopt);
        }
    }
    for (int side : {16, 32, 256}) {
        for (bool mask : {false, true}) {
            const std::string s = std::to_string(side);
            const std::string id = "pixmap/" + s + "x" + s + (mask ? "/mask" : "/plain");
            std::optional<double> limit;
            if (side == 32)
                limit = mask ? 0.7 : 1.5;
            pair(id, "GetPixmap hit " + s + "×" + s + (mask ? " with mask" : ""), std::bind(pixmapOurs, _1, side, mask),
                 std::bind(pixmapQt, _1, side, mask),
                 mask ? "QHash + fromImage + createMaskFromColor + QBitmap + setMask" : "QHash + fromImage", limit);
        }
    }
    pair("pixmap/miss", "GetPixmap miss", pixmapMissOurs, pixmapMissQt, "QHash miss + the same 9 file probes");
    pair("icon/32x32", "GetIcon 32×32", iconOurs, iconQt, "QHash + QIcon(fromImage)");
    pair("convert/toPort", "QStringToPortString", toPortOurs, toPortQt, "toLocal8Bit");
    pair("convert/fromPort", "PortStringToQString", fromPortOurs, fromPortQt, "fromLocal8Bit");
    pair("viewer/browserPath", "GetWebBrowserPath (user's command)", browserPathOurs, browserPathQt,
         "2 reads, QSettings per call, + split");
    pair("webpage/view", "ProductWebpage::View (launch recorded)", productPageOurs, productPageQt,
         "concatenation + toPercentEncoding + qInfo");
}

// ---- Messages ----------------------------------------------------------------

QtMessageHandler g_previousHandler = nullptr;

// Info lines (the product page's log line, and the reference's) are formatted
// and dropped, so neither side pays for a terminal; warnings still show.
void dropInfoMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char **argv)
{
    const std::string tablePath = KelBench::takeOption(argc, argv, "--table=");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;

    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A store of its own: QSettings and the library both resolve
    // $XDG_CONFIG_HOME/Dravel/Molvane.ini, so both sides work on one file.
    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "kel_bench: cannot create a temporary directory\n");
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    g_projectDir = home.path() + QLatin1String("/projects");
    g_imageRoot = home.path() + QLatin1String("/images");
    QDir().mkpath(g_imageRoot + QLatin1String("/molvane/images"));
    QDir().mkpath(g_imageRoot + QLatin1String("/quillan/image"));
    createProjectFiles(32);

    g_previousHandler = qInstallMessageHandler(dropInfoMessages);
    QGuiApplication app(argc, argv);
    Gui::Wisp::ImageManager::setImageRoots({g_imageRoot});
    KelTest::RecordingHelpManager help;
    help.webBrowserCommand = QStringLiteral("firefox %1");
    help.install();
    g_help = &help;

    registerAll();
    KelBench::RatioReporter reporter(g_comparisons);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const std::string heading = std::string("Qt ") + qVersion() + ", medians of real time per call";
    const std::string table = reporter.table(heading);
    std::cout << '\n' << table << std::flush;
    if (!KelBench::writeTable(tablePath, table, "kel_bench"))
        return 1;
    if (!reporter.allLimitsMet())
        std::fprintf(stderr, "kel_bench: at least one ratio is above its target\n");
    return 0;
}
