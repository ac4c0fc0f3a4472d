#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarvo::quick {

// `info FILE [--json]` and `extract FILE -o DIR` of plain icon and cursor files, and `convert
// FILE OUT.png` of one with a single 32-bit bitmap, without the toolkit: what the full tool prints
// and writes, from a process that starts in a fraction of the time. Nothing (and nothing printed)
// for any other command, option or file, and for any failure: the full tool then does the work and
// reports what went wrong in its own words.
std::optional<int> run(const std::vector<std::string>& args, std::string& out);

}  // namespace tarvo::quick
