// aurelis-bench NAME [ARGUMENTS]: runs one benchmark; without a name, lists them.
#include "bench_util.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace bench {

namespace {
std::map<std::string, Program>& programs()
{
    static std::map<std::string, Program> all;
    return all;
}
} // namespace

bool addProgram(const char* name, Program program)
{
    programs()[name] = program;
    return true;
}

} // namespace bench

int main(int argc, char** argv)
{
    const auto& programs = bench::programs();
    const auto found = argc > 1 ? programs.find(argv[1]) : programs.end();
    if (found == programs.end()) {
        std::fprintf(stderr, "usage: %s NAME [ARGUMENTS]\nbenchmarks:\n", argv[0]);
        for (const auto& [name, program] : programs)
            std::fprintf(stderr, "  %s\n", name.c_str());
        return argc > 1 ? 2 : 0;
    }
    // The benchmark sees its own name where a program sees its own.
    return found->second(argc - 1, argv + 1);
}
