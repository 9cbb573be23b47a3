// jotanor-cli: the diary from the terminal (see Cli.h).
#include <iostream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "platform/core/Console.h"

int main(int argc, char** argv) {
    jotanor::useRawStandardOutput();
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args = jotanor::utf8Arguments(argc, argv);
    const int status = jotanor::cli::run(args, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : jotanor::cli::kFailed;
}
