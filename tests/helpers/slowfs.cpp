// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// A FUSE file system whose files answer a status query only once a release file exists: a share that hangs.
#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *g_releaseFile = nullptr;
const char *g_askedFile = nullptr;  // made when a query starts to wait
// A query is answered after this long at the latest, so a test that fails
// never leaves a process stuck in the kernel for good.
constexpr int kLongestPauseSeconds = 90;

void *init(fuse_conn_info *, fuse_config *config)
{
    // Every query reaches this program: nothing is answered from the kernel's cache.
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    return nullptr;
}

int getattr(const char *path, struct stat *st, fuse_file_info *)
{
    std::memset(st, 0, sizeof *st);
    if (std::strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    }
    const int asked = ::open(g_askedFile, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (asked >= 0)
        ::close(asked);
    const std::time_t giveUp = std::time(nullptr) + kLongestPauseSeconds;
    while (::access(g_releaseFile, F_OK) != 0 && std::time(nullptr) < giveUp)
        ::usleep(10000);
    st->st_mode = S_IFREG | 0644;
    st->st_nlink = 1;
    return 0;
}

} // namespace

// kel_slowfs ASKEDFILE RELEASEFILE MOUNTPOINT: mounts in the foreground until SIGTERM.
int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    g_askedFile = argv[1];
    g_releaseFile = argv[2];
    fuse_operations operations{};
    operations.init = init;
    operations.getattr = getattr;
    char foreground[] = "-f";
    char *args[] = {argv[0], foreground, argv[3], nullptr};
    return fuse_main(3, args, &operations, nullptr);
}
