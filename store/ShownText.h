// How text that may hold control characters is shown, in a terminal, a
// list or a message box: the one rule the memo list follows.
#pragma once

#include <string>
#include <string_view>

namespace jotanor {

// UTF-8 text as it may be shown: a control character as "^[" and the like
// (DEL as "^?"), a C1 control and a byte that is no UTF-8 as U+FFFD. Line
// breaks and tabs count as control characters too: the text stays on one
// line. What comes out holds no byte that steers a terminal.
std::string shownText(std::string_view utf8);

}  // namespace jotanor
