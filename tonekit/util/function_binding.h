// Binding a table of function pointers by name at run time. A table lists its
// functions once, in an X-macro, and expands it twice:
//
//   struct Api {
//       MY_FUNCTIONS(TK_DECLARE_FUNCTION)
//       template <typename Visit> void ForEach(Visit&& visit) { MY_FUNCTIONS(TK_VISIT_FUNCTION) }
//   };
//
// Header-only, so that the programs bind libtonekit.so the same way.
#pragma once

#include <string>
#include <type_traits>

#define TK_DECLARE_FUNCTION(name) decltype(&::name) name = nullptr;
#define TK_VISIT_FUNCTION(name) visit(name, #name);

namespace tonekit::util {

// Sets every function of `api` to what `lookup(name)` finds; returns the first
// name it could not find, or an empty text when every one was found.
template <typename Api, typename Lookup>
std::string BindFunctions(Api& api, Lookup&& lookup) {
    std::string missing;
    api.ForEach([&](auto& function, const char* name) {
        using Pointer = std::remove_reference_t<decltype(function)>;
        function = reinterpret_cast<Pointer>(lookup(name));
        if (!function && missing.empty()) missing = name;
    });
    return missing;
}

}  // namespace tonekit::util
