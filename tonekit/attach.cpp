// Library attach and detach: run when libtonekit.so is loaded and unloaded.
// They bind the outside components the library uses at run time.

namespace tonekit {
namespace {

__attribute__((constructor)) void LibraryAttach() {}

__attribute__((destructor)) void LibraryDetach() {}

}  // namespace
}  // namespace tonekit
