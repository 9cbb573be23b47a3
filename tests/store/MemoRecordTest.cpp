#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

#include "store/MemoRecord.h"
#include "store/ShownText.h"
#include "store/Win1252.h"

namespace jotanor {
namespace {

// A record as another program writes it, built byte by byte: 6 December
// 2026 (serial 46362 = 0x40E6A340_00000000), "Tandarts" and "10 uur", with
// junk beyond the lengths and in the padding.
std::vector<unsigned char> handBuiltRecord() {
    std::vector<unsigned char> b(212, 0xCC);
    const unsigned char date[8] = {0x00, 0x00, 0x00, 0x00, 0x40, 0xA3, 0xE6, 0x40};
    std::memcpy(b.data(), date, 8);
    b[8] = 8;
    std::memcpy(&b[9], "Tandarts", 8);
    b[109] = 6;
    std::memcpy(&b[110], "10 uur", 6);
    return b;
}

TEST(MemoRecord, DecodesBytesWrittenByAnotherProgram) {
    auto bytes = handBuiltRecord();
    MemoRecord r = decodeRecord(bytes.data());
    EXPECT_EQ(r.date, 46362.0);
    EXPECT_EQ(r.line1, "Tandarts");
    EXPECT_EQ(r.line2, "10 uur");
}

TEST(MemoRecord, EncodesTheFixedLayoutWithZeroPadding) {
    MemoRecord r{46362.0, "Tandarts", "10 uur"};
    RecordBytes out = encodeRecord(r);
    auto expected = handBuiltRecord();
    // Only the meaningful bytes must match; we write zeros elsewhere.
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(out[i], expected[i]) << i;
    EXPECT_EQ(0, std::memcmp(&out[8], &expected[8], 9));
    EXPECT_EQ(0, std::memcmp(&out[109], &expected[109], 7));
    for (std::size_t i = 17; i < 109; ++i) EXPECT_EQ(out[i], 0) << i;
    for (std::size_t i = 116; i < 212; ++i) EXPECT_EQ(out[i], 0) << i;
}

TEST(MemoRecord, RoundTripsEveryField) {
    MemoRecord r{-693593.0, std::string(100, 'x'), std::string("\x80\xE9\xFF", 3)};
    EXPECT_EQ(decodeRecord(encodeRecord(r).data()), r);
    MemoRecord empty{0.0, "", ""};
    EXPECT_EQ(decodeRecord(encodeRecord(empty).data()), empty);
}

TEST(MemoRecord, CutsLongLinesToTheirFirstHundredBytes) {
    // 150 bytes, and 300, whose length would not even fit the length byte.
    for (std::size_t length : {150u, 300u}) {
        std::string text(length, 'a');
        text[99] = 'Z';
        const RecordBytes out = encodeRecord(MemoRecord{1.0, text, text});
        EXPECT_EQ(out[8], 100) << length;
        EXPECT_EQ(out[109], 100) << length;
        EXPECT_EQ(out[108], 'Z') << length;
        EXPECT_EQ(out[110], 'a') << length;  // the second line starts where it must
        EXPECT_EQ(out[209], 'Z') << length;
        for (std::size_t i = 210; i < 212; ++i) EXPECT_EQ(out[i], 0) << length;
        const MemoRecord back = decodeRecord(out.data());
        EXPECT_EQ(back.line1, cutLine(text));
        EXPECT_EQ(back.line1.size(), 100u);
    }
}

TEST(MemoRecord, UntrustedBytesDecodeToDefinedValues) {
    std::vector<unsigned char> b(212, 'q');
    b[8] = 255;    // length above 100
    b[109] = 101;  // just above
    double nan = std::numeric_limits<double>::quiet_NaN();
    std::memcpy(b.data(), &nan, 8);
    MemoRecord r = decodeRecord(b.data());
    EXPECT_TRUE(std::isnan(r.date));
    EXPECT_EQ(r.line1, std::string(100, 'q'));
    EXPECT_EQ(r.line2, std::string(100, 'q'));
}

TEST(MemoRecord, StarMarksAYearlyMemo) {
    EXPECT_TRUE((MemoRecord{0, "*Verjaardag", ""}).starred());
    EXPECT_TRUE((MemoRecord{0, "*", ""}).starred());
    EXPECT_FALSE((MemoRecord{0, "", "*"}).starred());
    EXPECT_FALSE((MemoRecord{0, " *", ""}).starred());
}

TEST(Win1252, RoundTripsEveryByte) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
}

TEST(Win1252, MapsTheCharactersOfTheUpperHalf) {
    EXPECT_EQ(utf8ToCp1252("€ café ‘x’ Œ"), "\x80 caf\xE9 \x91x\x92 \x8C");
    EXPECT_EQ(cp1252ToUtf8("\x80\xE9\x9F"), "€éŸ");
}

TEST(Win1252, CharactersItCannotHoldBecomeQuestionMarks) {
    EXPECT_EQ(utf8ToCp1252("日本"), "??");
    EXPECT_EQ(utf8ToCp1252("a😀b"), "a?b");
    EXPECT_EQ(utf8ToCp1252(std::string("\xC3", 1)), "?");      // cut-off sequence
    EXPECT_EQ(utf8ToCp1252(std::string("\xFF\x41", 2)), "?A");  // not UTF-8
}

TEST(Win1252, TheExactFormRefusesWhatItCannotHoldAndSaysWhat) {
    EXPECT_EQ(utf8ToCp1252Exact("€ café? ‘x’"), "\x80 caf\xE9? \x91x\x92");
    const struct {
        std::string in, unheld;
    } refused[] = {{"a✓b", "✓"}, {"😀", "😀"}, {"x\xC3", "\xC3"}, {"\xC0?", "\xC0"}, {"\xED\xA0\x80", "\xED\xA0\x80"}};
    for (const auto& r : refused) {
        std::string unheld;
        EXPECT_EQ(utf8ToCp1252Exact(r.in, &unheld), std::nullopt) << r.in;
        EXPECT_EQ(unheld, r.unheld);
    }
}

// Text a server or a foreign file chose, shown: nothing that steers a
// terminal goes out, everything else stays as it is.
TEST(ShownText, ControlCharactersAreShownAndNotSent) {
    const struct {
        std::string in, shown;
    } cases[] = {
        {"\x1B]0;weg\x07 \x7F", "^[]0;weg^G ^?"},  // C0 and DEL
        {"a\tb\r\nc", "a^Ib^M^Jc"},
        {"\xC2\x9B" "31m \xC2\x80", "\uFFFD" "31m \uFFFD"},  // C1, CSI among them
        {"\x9B" "31m \xC3 \xED\xA0\x80", "\uFFFD" "31m \uFFFD \uFFFD\uFFFD\uFFFD"},  // no UTF-8
        {"café € Ημερολόγιο 😀 \xC2\xA0", "café € Ημερολόγιο 😀 \xC2\xA0"},
    };
    for (const auto& c : cases) EXPECT_EQ(shownText(c.in), c.shown) << c.in;
}

}  // namespace
}  // namespace jotanor
