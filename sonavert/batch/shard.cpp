#include "shard.h"

#include <charconv>
#include <cstdint>

namespace sonavert::batch {
namespace {

constexpr int kMaxShards = 100000;

bool ParseNumber(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    return !text.empty() && std::from_chars(text.data(), end, value).ptr == end;
}

// FNV-1a over the bytes, then a SplitMix64 finish so that every bit counts
// for small N: fixed arithmetic, the same on every machine and compiler.
uint64_t StableHash(const std::string& text) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    hash = (hash ^ (hash >> 30)) * 0xbf58476d1ce4e5b9ull;
    hash = (hash ^ (hash >> 27)) * 0x94d049bb133111ebull;
    return hash ^ (hash >> 31);
}

}  // namespace

bool ParseShard(const std::string& text, Shard& shard, std::string& error) {
    const size_t slash = text.find('/');
    Shard parsed;
    if (slash == std::string::npos || !ParseNumber(text.substr(0, slash), parsed.index) ||
        !ParseNumber(text.substr(slash + 1), parsed.count) || parsed.count < 1 ||
        parsed.count > kMaxShards || parsed.index < 1 || parsed.index > parsed.count) {
        error = "--shard takes K/N with 1 <= K <= N, not '" + text + "'";
        return false;
    }
    shard = parsed;
    return true;
}

bool InShard(const std::string& key, const Shard& shard) {
    return static_cast<int>(StableHash(key) % static_cast<uint64_t>(shard.count)) ==
           shard.index - 1;
}

}  // namespace sonavert::batch
