// `sonavert --convert` on every core against the peer tools run two at a time:
// 40 thirty-second WAV files (44,100/16/2) to MP3 at 128 with --jobs 1 and
// --jobs 2 (the scaling), and --jobs 2 against `xargs -P2 lame -b 128 --cbr
// -m s --nores`; then the 40 MP3 files to WMA against `xargs -P2 ffmpeg -c:a
// wmav2`. Prints the ratios and the peak memory of any sonavert process.
//   build/bin/batch_jobs [files] [seconds]
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

double NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double Run(const std::string& command) {
    const double start = NowMs();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    return NowMs() - start;
}

std::string Q(const fs::path& path) {
    return "'" + path.string() + "'";
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 40;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    const fs::path self = fs::canonical("/proc/self/exe").parent_path();
    const fs::path root = fs::temp_directory_path() / ("sonavert-jobs-" + std::to_string(getpid()));
    for (const char* sub : {"wav", "jobs1", "jobs2", "lame", "wma", "ffmpeg", "program"})
        fs::create_directories(root / sub);
    // A program folder of its own, so the settings and scratch files stay there.
    for (const char* file : {"sonavert", "libtonekit.so", "libsonavert-encode.so"})
        fs::copy_file(self / file, root / "program" / file);
    for (int i = 0; i < files; ++i) {
        const fs::path wav = root / "wav" / ("song" + std::to_string(i) + ".wav");
        if (Run("sox -n -r 44100 -b 16 -c 2 " + Q(wav) + " synth " + std::to_string(seconds) +
                " pinknoise vol 0.3") < 0)
            return 1;
    }
    const std::string sonavert = Q(root / "program/sonavert") + " --convert --quiet --bitrate 128 ";
    const std::string quiet = " > /dev/null";

    const double jobs1 = Run(sonavert + "--to mp3 --jobs 1 --output " + Q(root / "jobs1") + " " +
                             Q(root / "wav") + quiet);
    const double jobs2 = Run(sonavert + "--to mp3 --jobs 2 --output " + Q(root / "jobs2") + " " +
                             Q(root / "wav") + quiet);
    // So far only sonavert ran: the largest resident size of any process
    // waited for is that of a coordinator or one of its workers.
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const double peakMib = usage.ru_maxrss / 1024.0;
    const double lame = Run("cd " + Q(root / "wav") +
                            " && ls *.wav | xargs -P2 -I{} sh -c 'lame --quiet -b 128 --cbr -m s "
                            "--nores \"$1\" \"" +
                            (root / "lame").string() + "/${1%.wav}.mp3\"' _ {}");
    std::printf("%d x %d s WAV -> MP3 128\n", files, seconds);
    std::printf("  --jobs 1 %.0f ms, --jobs 2 %.0f ms: scaling %.2fx (goal >= 1.8)\n", jobs1, jobs2,
                jobs1 / jobs2);
    std::printf("  --jobs 2 %.0f ms, xargs -P2 lame %.0f ms: ratio %.2f (goal <= 1.1)\n", jobs2,
                lame, jobs2 / lame);

    const double wma = Run(sonavert + "--to wma --jobs 2 --output " + Q(root / "wma") + " " +
                           Q(root / "jobs2") + quiet);
    const double ffmpeg = Run("cd " + Q(root / "jobs2") +
                              " && ls *.mp3 | xargs -P2 -I{} sh -c 'ffmpeg -v error -y -i \"$1\" "
                              "-c:a wmav2 -b:a 128k \"" +
                              (root / "ffmpeg").string() + "/${1%.mp3}.wma\"' _ {}");
    std::printf("%d MP3 -> WMA 128\n", files);
    std::printf("  --jobs 2 %.0f ms, xargs -P2 ffmpeg %.0f ms: ratio %.2f (goal <= 1.1)\n", wma,
                ffmpeg, wma / ffmpeg);

    const double noVerify = Run(sonavert +
                                "--to mp3 --jobs 2 --no-verify --on-exists overwrite "
                                "--output " +
                                Q(root / "jobs2") + " " + Q(root / "wav") + quiet);
    std::printf("  --jobs 2 --no-verify %.0f ms: the read-back check costs %.0f%%\n", noVerify,
                100.0 * (jobs2 - noVerify) / noVerify);
    std::printf(
        "peak resident memory of a sonavert process (coordinator or worker): %.1f MiB "
        "(goal per worker < 64)\n",
        peakMib);
    fs::remove_all(root);
    return 0;
}
