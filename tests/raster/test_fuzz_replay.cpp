// Replays the fuzzer's saved corpus and every file of the outside test
// suites through the fuzz target's own checks (see fuzz/fuzz_opendib.cpp),
// so that the sanitizer build of the tests covers them too. A broken
// promise aborts with the target's message; replay the file with
// fuzz_opendib to find which.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#define FUZZ_OPENDIB_NO_ENTRY
#include "fuzz/fuzz_opendib.cpp"
#include "support/blockguard.h"
#include "support/refimage.h"

namespace {

void walk(const std::string& dir, std::vector<std::string>& out) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        std::string p = dir + "/" + n;
        struct stat st {};
        if (stat(p.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) walk(p, out);
        else if (S_ISREG(st.st_mode)) out.push_back(p);
    }
    closedir(d);
}

void replay(const std::vector<std::string>& files) {
    BlockGuard guard;
    for (const auto& f : files) {
        std::vector<uint8_t> bytes = refimage::readFile(f);
        fuzzopendib::run(bytes.data(), bytes.size());
        // The same bytes cut short: the common way real files are broken.
        if (bytes.size() > 64) fuzzopendib::run(bytes.data(), bytes.size() * 2 / 3);
    }
}

TEST(FuzzReplay, SavedCorpus) {
    std::vector<std::string> files;
    walk(std::string(TRICOMA_SOURCE_DIR) + "/fuzz/corpus", files);
    ASSERT_GT(files.size(), 20u) << "the seed corpus is part of the repository";
    replay(files);
}

TEST(FuzzReplay, EveryTestSuiteFile) {
    std::vector<std::string> files;
    walk(TRICOMA_TESTDATA_DIR, files);
    if (files.empty()) GTEST_SKIP() << "test data missing: " << TRICOMA_TESTDATA_DIR;
    replay(files);
}

}  // namespace
