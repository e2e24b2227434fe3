// Loads libsonavert-encode.so on first use; the program keeps it.
#include <dlfcn.h>

#include <mutex>

#include "encode_module.h"
#include "util/dynamic_library.h"

namespace sonavert::encode {

const EncodeModule* LoadEncodeModule(std::string* why) {
    static std::once_flag once;
    static const EncodeModule* module = nullptr;
    static std::string reason;
    std::call_once(once, [] {
        void* handle = nullptr;
        for (const std::string& candidate :
             tonekit::util::LibraryCandidates("libsonavert-encode.so")) {
            if ((handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL))) break;
            // A library that is there but cannot load says why; keep that reason.
            const char* error = dlerror();
            if (reason.empty() || candidate.find('/') != std::string::npos)
                if (error && std::string(error).find("No such file") == std::string::npos)
                    reason = error;
        }
        auto entry = handle ? reinterpret_cast<SonavertEncodeModuleFunction>(
                                  dlsym(handle, "SonavertEncodeModule"))
                            : nullptr;
        if (entry) module = entry();
        if (!module && reason.empty())
            reason = handle ? "libsonavert-encode.so has no SonavertEncodeModule"
                            : "libsonavert-encode.so is missing";
    });
    if (!module && why) *why = reason;
    return module;
}

}  // namespace sonavert::encode
