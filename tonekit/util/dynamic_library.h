// Libraries bound at run time by name, and the program's own folder where such
// libraries are looked for first.
#pragma once

#include <string>
#include <vector>

namespace tonekit::util {

// The folder of the running program (/proc/self/exe) with its trailing '/'.
std::string ProgramFolder();

// The program's folder first, then ../lib beside it (a system install), then
// the system's ordinary search.
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
    // Forgets the library without unloading it: it stays for the process.
    void Release() { handle_ = nullptr; }
    bool IsOpen() const { return handle_ != nullptr; }
    void* Symbol(const char* name) const;

  private:
    void* handle_ = nullptr;
};

}  // namespace tonekit::util
