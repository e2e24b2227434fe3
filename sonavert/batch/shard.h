// One machine's part of a batch (`--shard K/N`): every job belongs to exactly
// one of N parts, decided from the job's own name so that every machine
// given the same library agrees without talking to the others.
#pragma once

#include <string>

namespace sonavert::batch {

struct Shard {
    int index = 1;  // 1 .. count
    int count = 1;
};

// "K/N" with 1 <= K <= N; false with `error` set otherwise.
bool ParseShard(const std::string& text, Shard& shard, std::string& error);

// True when the job named `key` (its input's path relative to the folder
// named on the command line, plus the track for a CUE sheet's tracks) is in
// `shard`.
bool InShard(const std::string& key, const Shard& shard);

}  // namespace sonavert::batch
