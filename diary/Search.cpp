#include "diary/Search.h"

#include <algorithm>
#include <array>

namespace jotanor {
namespace {

// A to Z become a to z; every other byte stays.
char smallLetter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return static_cast<char>(u + (static_cast<unsigned char>(u - 'A') < 26 ? 32 : 0));
}

}  // namespace

void foldCapitals(std::string& text) { std::transform(text.begin(), text.end(), text.begin(), smallLetter); }

SearchWords searchWords(std::string_view searchText, bool caseCounts) {
    std::string s(searchText);
    if (!caseCounts) foldCapitals(s);
    std::erase(s, ' ');
    const auto comma = s.find(',');
    if (comma == std::string::npos) return {s, std::nullopt};
    return {s.substr(0, comma), s.substr(comma + 1)};
}

std::string searchTitle(const SearchWords& words) {
    if (!words.second) return "Zoekwoord : " + words.first;
    return "Zoekwoorden : " + words.first + "  ,  " + *words.second;
}

SearchFilter::SearchFilter(SearchWords words, bool caseCounts)
    : words_(std::move(words)),
      fold_(!caseCounts),
      none_(words_.first.empty() || (words_.second && words_.second->empty())) {}

bool SearchFilter::holdWords(std::string_view line1, std::string_view line2) const {
    auto in = [&](const std::string& word) {
        return line1.find(word) != std::string_view::npos || line2.find(word) != std::string_view::npos;
    };
    return in(words_.first) && (!words_.second || in(*words_.second));
}

bool SearchFilter::matches(std::string_view line1, std::string_view line2) const {
    if (none_) return false;
    if (!fold_) return holdWords(line1, line2);
    // Each line folded once, into room for the 100 bytes a line holds.
    std::array<char, MemoRecord::kMaxLine> fold1, fold2;
    auto fold = [](std::string_view line, std::array<char, MemoRecord::kMaxLine>& into) {
        const std::size_t n = std::min(line.size(), into.size());
        for (std::size_t i = 0; i < n; ++i) into[i] = smallLetter(line[i]);
        return std::string_view(into.data(), n);
    };
    return holdWords(fold(line1, fold1), fold(line2, fold2));
}

std::size_t fillSearchBlocks(MemoFile& file, const SearchFilter& filter, DaySerial today, MemoBlocks& blocks,
                             const std::function<void()>& chime) {
    const std::size_t before = blocks.size();
    file.scanBytes([&](const unsigned char* bytes, std::size_t position) {
        // A word found in every memo lists the whole file.
        if (position == 0) blocks.reserve(file.recordCount());
        if (!filter.matches(recordLine1(bytes), recordLine2(bytes))) return true;
        const bool isToday = recordDate(bytes) == today;
        blocks.append(bytes, static_cast<std::uint32_t>(position), isToday);
        if (isToday && chime) chime();
        return true;
    });
    return blocks.size() - before;
}

}  // namespace jotanor
