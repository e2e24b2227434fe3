// Loading a library by name: the reason a user is shown is the loader's own.
#include <gtest/gtest.h>

#include "tonekit.h"
#include "util/bound_library.h"

namespace {

struct OneFunction {
    TK_DECLARE_FUNCTION(nanosec2time)
    template <typename Visit>
    void ForEach(Visit&& visit) {
        TK_VISIT_FUNCTION(nanosec2time)
    }
};

// The library is there but one of its own dependencies is not: the message
// names that dependency, not the later candidates that do not exist.
TEST(BoundLibrary, AMissingDependencyIsNamed) {
    tonekit::util::BoundLibrary<OneFunction> library;
    std::string error;
    EXPECT_FALSE(library.LoadFirst(
        {NEEDS_MISSING_SO, "/nonexistent/libtonekit.so", "libtonekit-nowhere.so"}, error));
    EXPECT_NE(error.find("libstand_in_dependency.so: cannot open shared object file"),
              std::string::npos)
        << error;
    EXPECT_EQ(error.find("nowhere"), std::string::npos) << error;
}

}  // namespace
