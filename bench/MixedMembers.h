// The archive benchmarks' inputs: members of words and of half-random bytes.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace sorvane::bench {

// Writes `members` files of `memberSize` bytes into `folder`, "m<i>.dat":
// words (even i) and half-random bytes (odd i), from a fixed `seed`. With
// `perFolder` above 0 they go `perFolder` to a sub-folder "d<i / perFolder>".
// With `maxMemberSize` above `memberSize` each file's size is drawn from
// memberSize..maxMemberSize. Gives their names relative to `folder`.
std::vector<std::string> WriteMixedMembers(const std::filesystem::path& folder, int members,
                                           std::size_t memberSize, unsigned seed, int perFolder = 0,
                                           std::size_t maxMemberSize = 0);

} // namespace sorvane::bench
