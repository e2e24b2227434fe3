// libtonekit.so as the programs bind it: by name, through its exports only.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include <QtGlobal>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "test_support.h"

namespace {

std::set<std::string> DeclaredExports() {
    std::ifstream header(TONEKIT_HEADER);
    std::set<std::string> names;
    const std::regex declaration(R"(^TK_EXPORT [^(]*?\(?(\w+)\)?\()");
    for (std::string line; std::getline(header, line);) {
        std::smatch m;
        if (std::regex_search(line, m, declaration)) names.insert(m[1]);
    }
    return names;
}

TEST(Library, ExportsExactlyThePublicFunctions) {
    std::string out;
    ASSERT_EQ(testing_support::RunCommand(std::string("nm -D --defined-only ") + TONEKIT_SO, &out),
              0);
    std::set<std::string> visible;
    std::regex symbol(R"(\S+ \S (\S+))");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), symbol);
         it != std::sregex_iterator(); ++it)
        visible.insert((*it)[1]);
    const auto declared = DeclaredExports();
    EXPECT_TRUE(declared.count("OpenWAV") && declared.count("SearchFiles"));
    EXPECT_EQ(visible, declared);
}

// The programs that load the library are Qt programs: Qt is in the process
// before the library and stays after it. Loading and attaching print nothing.
TEST(Library, LoadsQuietlyAndCallsByName) {
    ASSERT_NE(qVersion(), nullptr);
    testing_support::TempDir dir;
    const std::string captured = dir / "stderr.txt";
    fflush(stderr);
    const int saved = dup(2);
    FILE* sink = fopen(captured.c_str(), "w");
    ASSERT_NE(sink, nullptr);
    dup2(fileno(sink), 2);
    void* lib = dlopen(TONEKIT_SO, RTLD_NOW | RTLD_LOCAL);
    fflush(stderr);
    dup2(saved, 2);
    close(saved);
    fclose(sink);
    ASSERT_NE(lib, nullptr) << dlerror();
    EXPECT_TRUE(testing_support::ReadFile(captured).empty());
    for (const auto& name : DeclaredExports()) EXPECT_NE(dlsym(lib, name.c_str()), nullptr) << name;
    auto time = reinterpret_cast<char* (*)(int64_t)>(dlsym(lib, "nanosec2time"));
    EXPECT_STREQ(time(2050000000), "3:25");
    EXPECT_EQ(dlclose(lib), 0);
}

}  // namespace
