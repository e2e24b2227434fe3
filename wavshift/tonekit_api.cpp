#include "tonekit_api.h"

#include <dlfcn.h>

namespace wavshift {

bool BindTonekit(void* library, TonekitApi& api, std::string& missing) {
    missing =
        tonekit::util::BindFunctions(api, [&](const char* name) { return dlsym(library, name); });
    return missing.empty();
}

}  // namespace wavshift
