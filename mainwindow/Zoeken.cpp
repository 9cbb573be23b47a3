#include "mainwindow/Zoeken.h"

#include <algorithm>
#include <array>

namespace jotanor {
namespace {

// Branch-free, so that folding a line compiles to vector code.
char klein(char c) {
    const auto u = static_cast<unsigned char>(c);
    return static_cast<char>(u + (static_cast<unsigned char>(u - 'A') < 26 ? 32 : 0));
}

// A line folded into a buffer of its own; lines hold at most 100 bytes.
class GevouwenRegel {
public:
    explicit GevouwenRegel(std::string_view line) : size_(std::min(line.size(), buffer_.size())) {
        std::transform(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(size_), buffer_.begin(), klein);
    }
    std::string_view view() const { return {buffer_.data(), size_}; }

private:
    std::array<char, MemoRecord::kMaxLine> buffer_;
    std::size_t size_;
};

}  // namespace

void naarKleineLetters(std::string& text) { std::transform(text.begin(), text.end(), text.begin(), klein); }

Zoekwoorden zoekwoorden(std::string_view searchText, bool hoofdlettergevoelig) {
    std::string s(searchText);
    if (!hoofdlettergevoelig) naarKleineLetters(s);
    std::erase(s, ' ');
    const auto comma = s.find(',');
    if (comma == std::string::npos) return {s, std::nullopt};
    return {s.substr(0, comma), s.substr(comma + 1)};
}

std::string zoektitel(const Zoekwoorden& woorden) {
    if (!woorden.woord2) return "Zoekwoord : " + woorden.woord1;
    return "Zoekwoorden : " + woorden.woord1 + "  ,  " + *woorden.woord2;
}

Zoekfilter::Zoekfilter(Zoekwoorden woorden, bool hoofdlettergevoelig)
    : woorden_(std::move(woorden)), hoofdlettergevoelig_(hoofdlettergevoelig) {}

bool Zoekfilter::staatIn(const std::string& woord, std::string_view l1, std::string_view l2) const {
    return l1.find(woord) != std::string_view::npos || l2.find(woord) != std::string_view::npos;
}

bool Zoekfilter::past(std::string_view line1, std::string_view line2) const {
    if (woorden_.woord1.empty() || (woorden_.woord2 && woorden_.woord2->empty())) return false;
    if (hoofdlettergevoelig_) {
        return staatIn(woorden_.woord1, line1, line2) &&
               (!woorden_.woord2 || staatIn(*woorden_.woord2, line1, line2));
    }
    const GevouwenRegel l1(line1), l2(line2);
    return staatIn(woorden_.woord1, l1.view(), l2.view()) &&
           (!woorden_.woord2 || staatIn(*woorden_.woord2, l1.view(), l2.view()));
}

std::size_t zoekBlocks(MemoFile& file, const Zoekfilter& filter, DaySerial today, MemoBlocks& blocks,
                       const std::function<void()>& chime) {
    const std::size_t before = blocks.size();
    file.scanBytes([&](const unsigned char* bytes, std::size_t position) {
        if (!filter.past(recordLine1(bytes), recordLine2(bytes))) return true;
        const bool isToday = recordDate(bytes) == today;
        blocks.append(bytes, static_cast<std::uint32_t>(position), isToday);
        if (isToday && chime) chime();
        return true;
    });
    return blocks.size() - before;
}

}  // namespace jotanor
