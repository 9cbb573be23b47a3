#include "diary/Selection.h"

#include <charconv>
#include <limits>

namespace jotanor {
namespace {

// A whole number with blanks in front and nothing after it.
std::optional<int> wholeNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

}  // namespace

std::optional<Ymd> readDateLine(std::string_view dateLine) {
    const auto comma = dateLine.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    std::string_view rest = dateLine.substr(comma + 1);
    const auto dash1 = rest.find('-');
    if (dash1 == std::string_view::npos) return std::nullopt;
    const auto dash2 = rest.find('-', dash1 + 1);
    if (dash2 == std::string_view::npos) return std::nullopt;
    const auto d = wholeNumber(rest.substr(0, dash1));
    const auto m = wholeNumber(rest.substr(dash1 + 1, dash2 - dash1 - 1));
    const auto y = wholeNumber(rest.substr(dash2 + 1));
    if (!d || !m || !y || !isValidDate(*y, *m, *d)) return std::nullopt;
    return Ymd{static_cast<std::uint16_t>(*y), static_cast<std::uint16_t>(*m), static_cast<std::uint16_t>(*d)};
}

Selection selectMemo(MemoFile& file, const std::optional<ShownMemo>& shown) {
    if (!shown) return Selection{SelectionOutcome::NoLine, -1, {}};
    if (!readDateLine(shown->dateLine)) return Selection{SelectionOutcome::NoDateLine, -1, {}};
    const auto at = locateMemo(file, {shown->record, shown->position});
    if (!at || *at > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return Selection{SelectionOutcome::Gone, -1, {}};
    return {SelectionOutcome::Found, static_cast<std::int32_t>(*at), shown->record};
}

}  // namespace jotanor
