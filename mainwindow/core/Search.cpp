#include "mainwindow/core/Search.h"

#include <algorithm>
#include <array>

namespace jotanor {
namespace {

// A to Z become a to z; every other byte stays.
char klein(char c) {
    const auto u = static_cast<unsigned char>(c);
    return static_cast<char>(u + (static_cast<unsigned char>(u - 'A') < 26 ? 32 : 0));
}

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
    : woorden_(std::move(woorden)),
      vouwen_(!hoofdlettergevoelig),
      leeg_(woorden_.woord1.empty() || (woorden_.woord2 && woorden_.woord2->empty())) {}

bool Zoekfilter::staanIn(std::string_view line1, std::string_view line2) const {
    auto in = [&](const std::string& word) {
        return line1.find(word) != std::string_view::npos || line2.find(word) != std::string_view::npos;
    };
    return in(woorden_.woord1) && (!woorden_.woord2 || in(*woorden_.woord2));
}

bool Zoekfilter::past(std::string_view line1, std::string_view line2) const {
    if (leeg_) return false;
    if (!vouwen_) return staanIn(line1, line2);
    // Each line folded once, into room for the 100 bytes a line holds.
    std::array<char, MemoRecord::kMaxLine> fold1, fold2;
    auto fold = [](std::string_view line, std::array<char, MemoRecord::kMaxLine>& into) {
        const std::size_t n = std::min(line.size(), into.size());
        for (std::size_t i = 0; i < n; ++i) into[i] = klein(line[i]);
        return std::string_view(into.data(), n);
    };
    return staanIn(fold(line1, fold1), fold(line2, fold2));
}

std::size_t zoekBlocks(MemoFile& file, const Zoekfilter& filter, DaySerial today, MemoBlocks& blocks,
                       const std::function<void()>& chime) {
    const std::size_t before = blocks.size();
    file.scanBytes([&](const unsigned char* bytes, std::size_t position) {
        // A word found in every memo lists the whole file.
        if (position == 0) blocks.reserve(file.recordCount());
        if (!filter.past(recordLine1(bytes), recordLine2(bytes))) return true;
        const bool isToday = recordDate(bytes) == today;
        blocks.append(bytes, static_cast<std::uint32_t>(position), isToday);
        if (isToday && chime) chime();
        return true;
    });
    return blocks.size() - before;
}

}  // namespace jotanor
