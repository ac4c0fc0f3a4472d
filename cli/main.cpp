#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/Quick.h"

namespace {

// The full tool: beside this program in the build tree, in libexec once installed.
std::string fullTool() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path dir = error ? std::filesystem::path(".") : self.parent_path();
    for (const char* relative : {"tarvo-icontool-full", TARVO_FULL_TOOL_FROM_BIN}) {
        const std::filesystem::path candidate = dir / relative;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return (dir / TARVO_FULL_TOOL_FROM_BIN).string();
}

}  // namespace

// Plain icons are listed and extracted here, without loading the toolkit; every other command
// runs in the full tool, which this process becomes.
int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string out;
    if (const std::optional<int> code = tarvo::quick::run(args, out)) {
        std::fwrite(out.data(), 1, out.size(), stdout);
        return *code;
    }
    const std::string full = fullTool();
    argv[0] = const_cast<char*>(full.c_str());
    ::execv(full.c_str(), argv);
    std::fprintf(stderr, "tarvo-icontool: cannot run %s: %s\n", full.c_str(), std::strerror(errno));
    return 1;
}
