#include "mainwindow/core/Selection.h"

#include <charconv>
#include <limits>

namespace jotanor {
namespace {

// A whole number with blanks in front and nothing after it.
std::optional<int> heelGetal(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

}  // namespace

std::optional<Ymd> leesDatumregel(std::string_view dateLine) {
    const auto comma = dateLine.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    std::string_view rest = dateLine.substr(comma + 1);
    const auto dash1 = rest.find('-');
    if (dash1 == std::string_view::npos) return std::nullopt;
    const auto dash2 = rest.find('-', dash1 + 1);
    if (dash2 == std::string_view::npos) return std::nullopt;
    const auto d = heelGetal(rest.substr(0, dash1));
    const auto m = heelGetal(rest.substr(dash1 + 1, dash2 - dash1 - 1));
    const auto y = heelGetal(rest.substr(dash2 + 1));
    if (!d || !m || !y || !isValidDate(*y, *m, *d)) return std::nullopt;
    return Ymd{static_cast<std::uint16_t>(*y), static_cast<std::uint16_t>(*m), static_cast<std::uint16_t>(*d)};
}

Keuze selecteer(MemoFile& file, const std::optional<GetoondeMemo>& shown) {
    if (!shown) return Keuze{Selectie::GeenRegel, -1, {}};
    if (!leesDatumregel(shown->datumregel)) return Keuze{Selectie::GeenDatum, -1, {}};
    if (shown->positie > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return Keuze{Selectie::Verdwenen, -1, {}};
    const auto stored = file.readAt(shown->positie);
    if (!stored || stored->date != shown->record.date || stored->line1 != shown->record.line1 ||
        stored->line2 != shown->record.line2)
        return Keuze{Selectie::Verdwenen, -1, {}};
    return {Selectie::Gevonden, static_cast<std::int32_t>(shown->positie), *stored};
}

}  // namespace jotanor
