// wavshift_cli IN OUT RATE: one ResampleFile run to 16-bit stereo, with
// libtonekit.so bound at run time from this program's folder, as wavshift does.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "resample_engine.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s IN OUT RATE\n", argv[0]);
        return 2;
    }
    wavshift::TonekitLibrary library;
    std::string error;
    if (!library.Load("", error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const wavshift::TonekitApi& tk = library.api();
    const wavshift::ResampleJob job{argv[1], argv[2], static_cast<uint32_t>(std::atol(argv[3])),
                                    16,      2,       false};
    return wavshift::ResampleFile(tk, job, {}) ? 0 : 1;
}
