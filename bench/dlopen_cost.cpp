// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Measures dlopen + dlclose of libKel_GuiUtilities against a trivial Qt-linked library, in a process that has Qt loaded.
//
// Fairness: a library is loaded once per process, so every sample runs in a
// child forked from this Qt-linked parent. The child starts with exactly the
// parent's mappings (Qt Core, Gui and Widgets bound, as in a host desktop
// application), checks with RTLD_NOLOAD that the library is not there yet,
// times dlopen (which includes relocation and static constructors) and
// dlclose, and sends the figures back through a pipe. Samples of the two
// libraries alternate, so drift on a shared machine hits both alike; the
// files are in the page cache after the first sample of each. Medians are
// reported for lazy binding (what QLibrary and the dynamic loader use by
// default) and for RTLD_NOW. Further library paths on the command line are
// measured the same way, to see what each part of a library's load costs.
//
//   kel_bench_dlopen [SAMPLES] [LIBRARY...]
#include <QtCore/QCoreApplication>
#include <QtGui/QImage>
#include <QtWidgets/QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

struct Sample
{
    double openUs = -1;
    double closeUs = -1;
};

double nowUs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

// One fresh child: load path, unload it, report the two times.
bool sampleInChild(const char *path, int mode, Sample &sample)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        close(fds[0]);
        Sample s;
        if (dlopen(path, RTLD_NOLOAD | RTLD_LAZY) == nullptr) {
            const double t0 = nowUs();
            void *handle = dlopen(path, mode);
            const double t1 = nowUs();
            if (handle) {
                dlclose(handle);
                const double t2 = nowUs();
                s.openUs = t1 - t0;
                s.closeUs = t2 - t1;
            }
        }
        const ssize_t written = write(fds[1], &s, sizeof s);
        _exit(written == sizeof s ? 0 : 1);
    }
    close(fds[1]);
    const ssize_t got = read(fds[0], &sample, sizeof sample);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return got == sizeof sample && WIFEXITED(status) && WEXITSTATUS(status) == 0 && sample.openUs >= 0;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const std::size_t i = std::min(values.size() - 1, static_cast<std::size_t>(p * (values.size() - 1) + 0.5));
    return values[i];
}

struct Series
{
    std::vector<double> open, total;
};

} // namespace

int main(int argc, char **argv)
{
    const int samples = argc > 1 ? std::max(5, std::atoi(argv[1])) : 200;
    // Bind Qt Core, Gui and Widgets into this process the way a host has them.
    std::printf("parent has Qt %s loaded (%s, %s)\n", qVersion(), QApplication::staticMetaObject.className(),
                QImage().isNull() ? "QImage" : "?");

    std::vector<std::string> libraries = {KEL_BENCH_TRIVIAL_LIBRARY, KEL_BENCH_LIBRARY};
    std::vector<std::string> names = {"trivial Qt-linked library", "libKel_GuiUtilities"};
    for (int i = 2; i < argc; ++i) {
        libraries.push_back(argv[i]);
        const std::string path = argv[i];
        names.push_back(path.substr(path.rfind('/') + 1));
    }
    const std::size_t count = libraries.size();
    const int modes[] = {RTLD_LAZY, RTLD_NOW};
    const char *modeNames[] = {"RTLD_LAZY", "RTLD_NOW"};

    std::vector<Series> series[2];  // [mode][library]
    series[0].resize(count);
    series[1].resize(count);
    for (int i = 0; i < samples; ++i) {
        for (int m = 0; m < 2; ++m) {
            for (std::size_t k = 0; k < count; ++k) {
                const std::size_t lib = (i + k) % count;  // rotate which library goes first
                Sample s;
                if (!sampleInChild(libraries[lib].c_str(), modes[m], s)) {
                    std::fprintf(stderr, "kel_bench_dlopen: cannot load %s: sample failed\n", libraries[lib].c_str());
                    return 1;
                }
                series[m][lib].open.push_back(s.openUs);
                series[m][lib].total.push_back(s.openUs + s.closeUs);
            }
        }
    }

    std::printf("%d samples each, one forked child per sample; times in microseconds\n\n", samples);
    std::printf("| mode | library | dlopen median | dlopen+dlclose median | p10 | p90 |\n|---|---|---:|---:|---:|---:|\n");
    for (int m = 0; m < 2; ++m) {
        for (std::size_t lib = 0; lib < count; ++lib) {
            const Series &s = series[m][lib];
            std::printf("| %s | %s | %.1f | %.1f | %.1f | %.1f |\n", modeNames[m], names[lib].c_str(),
                        percentile(s.open, 0.5),
                        percentile(s.total, 0.5), percentile(s.total, 0.1), percentile(s.total, 0.9));
        }
    }
    std::printf("\n");
    for (int m = 0; m < 2; ++m) {
        const double ratio = percentile(series[m][1].total, 0.5) / percentile(series[m][0].total, 0.5);
        std::printf("%s: libKel_GuiUtilities / trivial = %.2f (target <= 1.20: %s)\n", modeNames[m], ratio,
                    ratio <= 1.2 ? "met" : "NOT met");
    }
    return 0;
}
