#include "tonekit_api.h"

#include <dlfcn.h>

namespace wavshift {

bool BindTonekit(void* library, TonekitApi& api, std::string& missing) {
#define WAVSHIFT_BIND(name)                                                 \
    api.name = reinterpret_cast<decltype(api.name)>(dlsym(library, #name)); \
    if (!api.name) {                                                        \
        missing = #name;                                                    \
        return false;                                                       \
    }
    WAVSHIFT_TONEKIT_FUNCTIONS(WAVSHIFT_BIND)
#undef WAVSHIFT_BIND
    return true;
}

}  // namespace wavshift
