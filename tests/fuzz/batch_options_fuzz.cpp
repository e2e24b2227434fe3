// Feeds arbitrary command lines (arguments separated by NUL bytes) to the
// batch converter's option parser. A command it accepts holds only values the
// converter can use.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch/batch_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back() += static_cast<char>(data[i]);
    }
    using namespace sonavert::batch;
    const bool batch = IsBatchCommand(arguments);
    const ParsedCommand parsed = ParseBatchCommand(arguments);
    if (parsed.command != Command::kUsageError && !batch) std::abort();
    if (parsed.command == Command::kUsageError && parsed.error.empty()) std::abort();
    if (parsed.command != Command::kConvert) return 0;
    const BatchOptions& o = parsed.options;
    const int bitrate = o.bitrate.value_or(128);
    if (o.format && (*o.format < 0 || *o.format > 2)) std::abort();
    if (bitrate != 192 && bitrate != 128 && bitrate != 64 && bitrate != 32) std::abort();
    if (o.jobs < 0 || o.jobs > 64 || o.inputs.empty()) std::abort();
    if (o.outputFolder && (o.outputFolder->empty() || o.outputFolder->back() != '/')) std::abort();
    return 0;
}
