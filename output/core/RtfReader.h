// Reads rich text (RTF) into a plain model of paragraphs and formatted runs,
// which the help window turns into its document. The input is untrusted:
// every byte sequence gives a defined result, never a crash.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jotanor {

struct RtfColor {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const RtfColor&) const = default;
};

struct RtfFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0;              // font size in half points; 0: not set
    std::optional<RtfColor> color;   // nothing: the default text colour
    std::string font;                // font name; empty: not set
    bool operator==(const RtfFormat&) const = default;
};

struct RtfRun {
    std::string text;  // UTF-8; '\n' is a line break, '\t' a tab
    RtfFormat format;
};

enum class RtfAlign { Left, Center, Right, Justify };

struct RtfParagraph {
    RtfAlign align = RtfAlign::Left;
    int leftIndent = 0;  // twips (1/1440 inch)
    std::vector<RtfRun> runs;
    std::string text() const;
};

struct RtfDocument {
    std::vector<RtfParagraph> paragraphs;
    // All text, paragraphs joined by '\n'.
    std::string text() const;
};

// The pieces of rich text as they stand in the file.
enum class RtfTokenKind { GroupStart, GroupEnd, ControlWord, ControlSymbol, HexByte, Text, Binary };

struct RtfToken {
    RtfTokenKind kind = RtfTokenKind::Text;
    std::string_view word;   // ControlWord: its name; Text: the bytes; Binary: the data
    bool hasParameter = false;
    std::int32_t parameter = 0;  // clamped to the 32-bit range
    char symbol = 0;             // ControlSymbol: the character after the backslash
    std::uint8_t byte = 0;       // HexByte: the value of \'hh
};

// Splits rich text into tokens, one at a time.
class RtfTokenizer {
public:
    explicit RtfTokenizer(std::string_view input) : in_(input) {}
    // The next token; false at the end of the input.
    bool next(RtfToken& token);

private:
    std::string_view in_;
    std::size_t pos_ = 0;
    std::size_t pendingBinary_ = 0;
};

// Groups nested deeper than this are read but their contents are dropped.
inline constexpr int kRtfMaxDepth = 200;

// Reads a whole file. Bytes that do not begin with "{\rtf" are shown as plain
// Windows-1252 text, one paragraph per line.
RtfDocument readRtf(std::string_view input);

}  // namespace jotanor
