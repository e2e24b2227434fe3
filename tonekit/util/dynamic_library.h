// Libraries bound at run time by name, and the program's own folder where such
// libraries are looked for first.
#pragma once

#include <string>
#include <vector>

namespace tonekit::util {

// The folder of the running program (/proc/self/exe) with its trailing '/'.
std::string ProgramFolder();

// The program's folder first, then the system's ordinary search.
std::vector<std::string> LibraryCandidates(const std::string& fileName);

class DynamicLibrary {
  public:
    DynamicLibrary() = default;
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // Loads the first candidate that loads; false when none does.
    bool Open(const std::vector<std::string>& candidates);
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }
    void* Symbol(const char* name) const;

  private:
    void* handle_ = nullptr;
};

// Resolves every function of an X-macro list from the given libraries into the
// members of `api` of the same names; false when one is missing.
#define TK_RESOLVE_FUNCTION(name)                                                           \
    api.name = nullptr;                                                                     \
    for (const auto* lib : libraries)                                                       \
        if (!api.name) api.name = reinterpret_cast<decltype(api.name)>(lib->Symbol(#name)); \
    complete = complete && api.name != nullptr;

#define TK_DECLARE_FUNCTION(name) decltype(&::name) name = nullptr;

}  // namespace tonekit::util
