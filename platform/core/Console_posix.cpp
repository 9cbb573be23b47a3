#include "platform/core/Console.h"

namespace jotanor {

// Output is written as bytes here already.
void useRawStandardOutput() {}

std::vector<std::string> utf8Arguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

}  // namespace jotanor
