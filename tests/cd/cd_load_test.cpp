// The CD layer as a program meets it: libtonekit.so loaded by name, the real
// Linux transport, and /dev/sr0 answered by the preloaded fake drive. Nothing
// here starts the CD layer by hand: loading the library must.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QtGlobal>

#include <string>
#include <vector>

#include "fake_sr0.h"
#include "test_support.h"
#include "tonekit.h"

using namespace testing_support;

namespace {

std::vector<std::string> g_found;

int32_t Collect(const char* path, const char*, const char*, int32_t) {
    g_found.emplace_back(path);
    return 0;
}

template <typename F>
F Bind(void* library, const char* name) {
    return reinterpret_cast<F>(dlsym(library, name));
}

TEST(CdLoad, LoadingTheLibraryFindsTheDriveListsAndRipsItsTracks) {
    // As in the programs, Qt is in the process before the library and after it.
    ASSERT_NE(qVersion(), nullptr);
    void* lib = dlopen(TONEKIT_SO, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    const auto searchCd = Bind<decltype(&SearchCDTracks)>(lib, "SearchCDTracks");
    const auto search = Bind<decltype(&SearchFiles)>(lib, "SearchFiles");
    const auto rip = Bind<decltype(&CDtoWAV)>(lib, "CDtoWAV");

    g_found.clear();
    EXPECT_EQ(searchCd(Collect), 3);
    const std::vector<std::string> tracks = {"/dev/sr0/Track01.cda", "/dev/sr0/Track02.cda",
                                             "/dev/sr0/Track03.cda"};
    EXPECT_EQ(g_found, tracks);
    g_found.clear();
    EXPECT_EQ(search("/dev/sr0/", "CDA,", Collect, 0), 1);
    EXPECT_EQ(g_found, tracks);

    TempDir dir;
    const std::string out = dir / "track2.wav";
    ASSERT_NE(rip("/dev/sr0/Track02.cda", out.c_str(), 1, nullptr), 0);
    const Bytes wav = ReadFile(out);
    const uint32_t first = FakeSr0Disc().trackLengths[0], sectors = FakeSr0Disc().trackLengths[1];
    ASSERT_EQ(wav.size(), 44u + sectors * 2352u);
    for (uint32_t s = 0; s < sectors; s += 37)
        for (uint32_t i = 0; i < 2352; i += 101)
            ASSERT_EQ(wav[44 + s * 2352 + i],
                      tonekit::cd::SimulatedDrive::SampleByte(first + s, i));
    dlclose(lib);
}

}  // namespace
