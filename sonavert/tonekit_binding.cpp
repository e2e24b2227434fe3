#include "tonekit_binding.h"

#include <dlfcn.h>

namespace sonavert {

bool TonekitLibrary::Load(const std::string& path, std::string& error) {
    const auto candidates = path.empty() ? tonekit::util::LibraryCandidates("libtonekit.so")
                                         : std::vector<std::string>{path};
    if (!library_.Open(candidates)) {
        const char* reason = dlerror();
        error = "Cannot load libtonekit.so";
        if (reason) error += std::string(":\n\n") + reason;
        return false;
    }
    const std::string missing =
        tonekit::util::BindFunctions(api_, [&](const char* name) { return library_.Symbol(name); });
    if (missing.empty()) return true;
    error = "libtonekit.so has no function " + missing;
    library_.Close();
    return false;
}

void TonekitLibrary::Unload() {
    api_ = Tonekit{};
    library_.Close();
}

}  // namespace sonavert
