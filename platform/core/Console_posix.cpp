#include "platform/core/Console.h"

namespace jotanor {

// Output is written as bytes here already.
void useRawStandardOutput() {}

}  // namespace jotanor
