// libtonekit.so loaded at run time and bound into a table of function
// pointers (see function_binding.h). Header-only: each program binds the
// exports it uses, by name, the same way.
#pragma once

#include <dlfcn.h>

#include <string>
#include <vector>

#include "util/dynamic_library.h"
#include "util/function_binding.h"

namespace tonekit::util {

template <typename Api>
class BoundLibrary {
  public:
    // Loads `path`, or libtonekit.so from the program's folder and then the
    // system's search when `path` is empty, and binds every function. On
    // failure `error` names the library or the first missing export.
    bool Load(const std::string& path, std::string& error) {
        auto candidates =
            path.empty() ? LibraryCandidates("libtonekit.so") : std::vector<std::string>{path};
        // A system install keeps it in <prefix>/lib/sonavert/.
        if (path.empty())
            candidates.insert(candidates.begin() + 1,
                              ProgramFolder() + "../lib/sonavert/libtonekit.so");
        if (!library_.Open(candidates)) {
            const char* reason = dlerror();
            error = "Cannot load libtonekit.so";
            if (reason) error += std::string(":\n\n") + reason;
            return false;
        }
        const std::string missing =
            BindFunctions(api_, [&](const char* name) { return library_.Symbol(name); });
        if (missing.empty()) return true;
        error = "libtonekit.so has no function " + missing;
        Unload();
        return false;
    }

    void Unload() {
        api_ = Api{};
        library_.Close();
    }

    const Api& api() const { return api_; }

  private:
    DynamicLibrary library_;
    Api api_;
};

}  // namespace tonekit::util
