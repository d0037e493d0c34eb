// Saving over an existing file on a full disk. Each writer is run over an
// old file with no room left and with room for part of its output: it must
// report the failure, keep the old file byte for byte and leave no other
// file. The disk is a small tmpfs where the test may mount one (as root, in
// a mount namespace of its own, so nothing outlives the process), and in
// any case the library's write-failure seam, which also cuts a file at an
// exact byte. Qt-free: the raster tests use it too.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "raster/safewrite.h"

namespace fulldisk {

// Writes `path` and returns whether it says so; a failure should come with
// a reason (left empty where the writer gives none to the caller).
using SaveFn = std::function<bool(const std::string& path, std::string& reason)>;

inline std::set<std::string> filesIn(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

inline std::string readAll(const std::string& path) {
    std::string s;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
        std::fclose(f);
    }
    return s;
}

inline void writeAll(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(std::fclose(f), 0);
}

// A 1 MB tmpfs on a fresh folder, mounted once per process; empty when
// this process may not mount.
inline const std::string& tmpfsRoot() {
    static const std::string root = [] {
        char tmpl[] = "/tmp/tricoma-fulldisk-XXXXXX";
        if (!mkdtemp(tmpl)) return std::string();
        const std::string dir = tmpl;
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=1m,mode=0700") != 0) {
            rmdir(dir.c_str());
            return std::string();
        }
        // The mount ends with the process; its folder must go too (the
        // name is kept apart from `root`, which is gone by then).
        static char mounted[sizeof tmpl];
        std::memcpy(mounted, tmpl, sizeof tmpl);
        std::atexit([] {
            umount2(mounted, MNT_DETACH);
            rmdir(mounted);
        });
        return dir;
    }();
    return root;
}

// Fills the tmpfs so that `room` bytes stay free; the filler lives beside
// the test folders.
inline bool fill(const std::string& root, int64_t room) {
    struct statvfs st {};
    if (statvfs(root.c_str(), &st) != 0) return false;
    int64_t left = int64_t(st.f_bavail) * int64_t(st.f_frsize) - room;
    const int fd = ::open((root + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) return false;
    std::vector<char> block(65536, 'x');
    while (left > 0) {
        const ssize_t w = ::write(fd, block.data(), size_t(std::min<int64_t>(left, int64_t(block.size()))));
        if (w <= 0) break;
        left -= w;
    }
    ::close(fd);
    return true;
}

// Runs `save` over an old file on a full disk (no room, and room for
// about half of `outputBytes`, the size the writer's output has).
inline void expectNothingLost(const SaveFn& save, const std::string& what, int64_t outputBytes,
                              bool givesReason = true) {
    const std::string old = "das alte " + what + " soll bleiben\n";
    struct Setup {
        bool tmpfs;
        int64_t room;
    };
    std::vector<Setup> setups = {{false, 0}, {false, outputBytes / 2}};
    if (!tmpfsRoot().empty()) {
        setups.push_back({true, 0});
        // tmpfs hands out whole pages.
        if (outputBytes / 2 >= 4096) setups.push_back({true, outputBytes / 2 / 4096 * 4096});
    }
    for (const Setup& s : setups) {
        SCOPED_TRACE(what + (s.tmpfs ? " on a full tmpfs" : " through the write limit") + ", room " +
                     std::to_string(s.room));
        std::string dir;
        if (s.tmpfs) {
            dir = tmpfsRoot() + "/case";
            ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
        } else {
            char tmpl[] = "/tmp/tricoma-nothinglost-XXXXXX";
            ASSERT_NE(mkdtemp(tmpl), nullptr);
            dir = tmpl;
        }
        const std::string path = dir + "/alt";
        writeAll(path, old);
        if (s.tmpfs) ASSERT_TRUE(fill(tmpfsRoot(), s.room));
        else pixkit::setWriteLimitForTesting(s.room);
        std::string reason;
        const bool ok = save(path, reason);
        pixkit::setWriteLimitForTesting(-1);
        if (s.tmpfs) unlink((tmpfsRoot() + "/filler").c_str());
        EXPECT_FALSE(ok) << "reported success";
        if (givesReason) {
            EXPECT_FALSE(reason.empty()) << "no reason given";
        }
        EXPECT_EQ(readAll(path), old) << "the old file changed";
        EXPECT_EQ(filesIn(dir), std::set<std::string>{"alt"}) << "a file was left beside it";
        unlink(path.c_str());
        for (const std::string& f : filesIn(dir)) unlink((dir + "/" + f).c_str());
        rmdir(dir.c_str());
    }
}

}  // namespace fulldisk
