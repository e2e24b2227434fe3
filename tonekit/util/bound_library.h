// libtonekit.so loaded at run time and bound into a table of function
// pointers (see function_binding.h). Header-only: each program binds the
// exports it uses, by name, the same way.
#pragma once

#include <dlfcn.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "util/dynamic_library.h"
#include "util/function_binding.h"

namespace tonekit::util {

template <typename Api>
class BoundLibrary {
  public:
    // Loads `path`, or libtonekit.so from the program's folder and then the
    // system's search when `path` is empty, and binds every function.
    bool Load(const std::string& path, std::string& error) {
        return LoadFirst(
            path.empty() ? LibraryCandidates("libtonekit.so") : std::vector<std::string>{path},
            error);
    }

    // Loads the first of `candidates` that loads and binds every function. On
    // failure `error` names the first missing export, or carries dlerror's
    // reason for the first candidate that is there (a missing dependency of a
    // library that exists is that dependency, not the library), or for the
    // last one when none is.
    bool LoadFirst(const std::vector<std::string>& candidates, std::string& error) {
        std::string reasonOfFound, reasonOfLast;
        for (const auto& candidate : candidates) {
            if (library_.Open({candidate})) break;
            const char* reason = dlerror();
            reasonOfLast = reason ? reason : "";
            const bool exists =
                candidate.find('/') != std::string::npos && access(candidate.c_str(), F_OK) == 0;
            if (exists && reasonOfFound.empty()) reasonOfFound = reasonOfLast;
        }
        if (!library_.IsOpen()) {
            const std::string& reason = reasonOfFound.empty() ? reasonOfLast : reasonOfFound;
            error = "Cannot load libtonekit.so";
            if (!reason.empty()) error += ":\n\n" + reason;
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
