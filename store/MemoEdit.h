// A change of memos as values: which memo (by content, with where it was
// seen) becomes what. The diary applies such changes to the memo file.
#pragma once

#include <cstddef>
#include <optional>

#include "store/MemoRecord.h"

namespace jotanor {

// A memo as a front end last saw it: its content, and the position where it
// was, which is only where the search for it starts.
struct MemoRef {
    MemoRecord memo;
    std::size_t near = 0;
};

// One change among several: add (no `old`), delete (no `memo`), or change.
// An add with `seenCopies` is an add unless already there: the caller saw
// that many memos equal to it (its own earlier adds in the same call
// included) when it decided to add one; finding more under the lock means
// another change added it meanwhile, and it is not added again.
struct MemoEdit {
    std::optional<MemoRef> old;
    std::optional<MemoRecord> memo;
    std::optional<std::size_t> seenCopies = std::nullopt;
};

}  // namespace jotanor
