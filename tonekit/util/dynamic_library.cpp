#include "util/dynamic_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace tonekit::util {

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "./";
    const std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/') + 1);
}

std::vector<std::string> LibraryCandidates(const std::string& fileName) {
    // A system install keeps its own libraries in <prefix>/lib/sonavert beside
    // <prefix>/bin (older installs in <prefix>/lib). They are named here rather
    // than left to the program's run path, which dlopen does not consult when
    // a sanitizer intercepts the call.
    const std::string folder = ProgramFolder();
    return {folder + fileName, folder + "../lib/sonavert/" + fileName,
            folder + "../lib/" + fileName, fileName};
}

DynamicLibrary::~DynamicLibrary() {
    Close();
}

bool DynamicLibrary::Open(const std::vector<std::string>& candidates) {
    Close();
    for (const auto& candidate : candidates) {
        handle_ = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_) return true;
    }
    return false;
}

void DynamicLibrary::Close() {
    if (handle_) dlclose(handle_);
    handle_ = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const {
    return handle_ ? dlsym(handle_, name) : nullptr;
}

}  // namespace tonekit::util
