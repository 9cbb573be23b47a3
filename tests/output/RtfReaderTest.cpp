#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

#include "output/core/RtfReader.h"

namespace jotanor {
namespace {

std::vector<std::string> paragraphs(const RtfDocument& d) {
    std::vector<std::string> out;
    for (const auto& p : d.paragraphs) out.push_back(p.text());
    return out;
}

// The run that holds `text`; fails the test when there is none.
const RtfRun& runWith(const RtfDocument& d, const std::string& text) {
    for (const auto& p : d.paragraphs)
        for (const auto& r : p.runs)
            if (r.text.find(text) != std::string::npos) return r;
    ADD_FAILURE() << "no run holds " << text;
    static const RtfRun none;
    return none;
}

using V = std::vector<std::string>;

TEST(RtfTokenizer, SplitsWordsParametersSymbolsAndHexBytes) {
    RtfTokenizer t(R"({\fs-12 ab\b0x\'e9\~\par-})");
    std::vector<std::string> seen;
    RtfToken k;
    while (t.next(k)) {
        switch (k.kind) {
        case RtfTokenKind::GroupStart: seen.push_back("{"); break;
        case RtfTokenKind::GroupEnd: seen.push_back("}"); break;
        case RtfTokenKind::ControlWord:
            seen.push_back("\\" + std::string(k.word) + (k.hasParameter ? std::to_string(k.parameter) : ""));
            break;
        case RtfTokenKind::ControlSymbol: seen.push_back(std::string("sym:") + k.symbol); break;
        case RtfTokenKind::HexByte: seen.push_back("hex:" + std::to_string(k.byte)); break;
        case RtfTokenKind::Text: seen.push_back("text:" + std::string(k.word)); break;
        case RtfTokenKind::Binary: seen.push_back("bin"); break;
        }
    }
    EXPECT_EQ(seen, (V{"{", "\\fs-12", "text:ab", "\\b0", "text:x", "hex:233", "sym:~", "\\par", "text:-", "}"}));
}

TEST(RtfTokenizer, HugeParametersAreClamped) {
    RtfTokenizer t(R"(\fs99999999999999999999 \u-99999999999)");
    RtfToken k;
    ASSERT_TRUE(t.next(k));
    EXPECT_EQ(k.parameter, 2147483647);
    ASSERT_TRUE(t.next(k));
    EXPECT_EQ(k.parameter, -2147483647 - 1);
}

TEST(RtfReader, ReadsCharacterAndParagraphFormatting) {
    const RtfDocument d = readRtf(
        R"({\rtf1\ansi\deff0{\fonttbl{\f0\fswiss Arial;}{\f1\fmodern Courier New;}})"
        R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
        "\n\\pard\\qc\\b Kop\\b0\\par\n"
        R"(\pard Gewoon {\i schuin} en \ul onder\ulnone  en \cf1 rood\cf0 .\par)"
        R"(\qr\li720\fs36\f1 Groot\par\pard\qj\plain klein})");
    EXPECT_EQ(paragraphs(d), (V{"Kop", "Gewoon schuin en onder en rood.", "Groot", "klein"}));
    ASSERT_EQ(d.paragraphs.size(), 4u);
    EXPECT_EQ(d.paragraphs[0].align, RtfAlign::Center);
    EXPECT_EQ(d.paragraphs[1].align, RtfAlign::Left);
    EXPECT_EQ(d.paragraphs[2].align, RtfAlign::Right);
    EXPECT_EQ(d.paragraphs[3].align, RtfAlign::Justify);
    EXPECT_EQ(d.paragraphs[2].leftIndent, 720);
    EXPECT_EQ(d.paragraphs[3].leftIndent, 0);

    EXPECT_TRUE(runWith(d, "Kop").format.bold);
    EXPECT_EQ(runWith(d, "Kop").format.font, "Arial");  // the default font
    EXPECT_FALSE(runWith(d, "Gewoon").format.bold);
    EXPECT_TRUE(runWith(d, "schuin").format.italic);
    EXPECT_FALSE(runWith(d, " en ").format.italic);  // the group ended the italics
    EXPECT_TRUE(runWith(d, "onder").format.underline);
    EXPECT_EQ(runWith(d, "rood").format.color, (RtfColor{255, 0, 0}));
    EXPECT_FALSE(runWith(d, ".").format.color.has_value());
    EXPECT_EQ(runWith(d, "Groot").format.halfPoints, 36);
    EXPECT_EQ(runWith(d, "Groot").format.font, "Courier New");
    const RtfFormat plain = runWith(d, "klein").format;
    EXPECT_FALSE(plain.bold || plain.italic || plain.underline);
    EXPECT_EQ(plain.halfPoints, 0);
}

TEST(RtfReader, AFontTableWithoutGroupsAndAnAutoColour) {
    const RtfDocument d = readRtf(R"({\rtf1{\fonttbl\f0 Times;\f3 Arial;}{\colortbl;\red0\green128\blue0;}\f3\cf1 a\cf9 b\f8 c})");
    EXPECT_EQ(runWith(d, "a").format.font, "Arial");
    EXPECT_EQ(runWith(d, "a").format.color, (RtfColor{0, 128, 0}));
    EXPECT_FALSE(runWith(d, "b").format.color.has_value());  // no colour 9
    EXPECT_EQ(runWith(d, "c").format.font, "");                // no font 8
}

TEST(RtfReader, DecodesWindows1252AndUnicode) {
    EXPECT_EQ(readRtf(R"({\rtf1 caf\'e9 \'80 \'93x\'94})").text(), "café € “x”");
    EXPECT_EQ(readRtf(R"({\rtf1 \u8364?5 en \u233\'e9!})").text(), "€5 en é!");
    EXPECT_EQ(readRtf(R"({\rtf1\uc2 \u8364ab|\uc0\u233 x})").text(), "€|éx");
    // The skip count ends with the group.
    EXPECT_EQ(readRtf(R"({\rtf1 {\u8364}x})").text(), "€x");
    // A pair of surrogates is one character; a lone one is replaced.
    EXPECT_EQ(readRtf(R"({\rtf1\u-10179?\u-8704?\u-8704?})").text(), "\U0001F600\uFFFD");
}

TEST(RtfReader, SymbolsBreaksAndSpecialCharacters) {
    EXPECT_EQ(readRtf(R"({\rtf1 a\\b\{c\}d\~e\-f\line g\tab h\emdash\bullet\ldblquote})").text(),
              "a\\b{c}d\u00A0ef\ng\th\u2014\u2022\u201C");
    EXPECT_EQ(paragraphs(readRtf("{\\rtf1 een\\\ntwee\r\ndrie}")), (V{"een", "twee" "drie"}));
}

TEST(RtfReader, SkipsDestinationsItDoesNotShow) {
    const RtfDocument d = readRtf(
        R"({\rtf1{\*\generator Schrijver 1.0;}{\*\eigenbedenksel geheim {\b ook}}{\stylesheet{\s0 Normal;}})"
        R"({\info{\title Titel}{\author Iemand}}{\pict\wmetafile8 0a0b0c}{\pict\bin6 {}\}{x})"
        R"({\field{\*\fldinst HYPERLINK "x"}{\fldrslt zichtbaar}}{\header kop}zien})");
    EXPECT_EQ(d.text(), "zichtbaarzien");
}

TEST(RtfReader, MalformedInputGivesWhatWasReadable) {
    // Truncated: the open groups are simply ended.
    const RtfDocument t = readRtf(R"({\rtf1 abc {\b def)");
    EXPECT_EQ(t.text(), "abc def");
    EXPECT_TRUE(runWith(t, "def").format.bold);
    // After the document's group nothing counts.
    EXPECT_EQ(readRtf(R"({\rtf1 a}b}c)").text(), "a");
    EXPECT_EQ(readRtf(R"({\rtf1 a\'zz\'4g\)").text(), "azzg");
    EXPECT_EQ(readRtf(R"({\rtf1 \bin99999 abc})").text(), "");
    EXPECT_EQ(readRtf(std::string("{\\rtf1 a\0b\x01" "c}", 12)).text(), "abc");
    EXPECT_EQ(readRtf("{\\rtf").text(), "");
    EXPECT_EQ(readRtf("").text(), "");
}

TEST(RtfReader, DeepNestingIsReadWithoutRecursion) {
    const int deep = 1'000'000;
    const std::string open(deep, '{');
    const std::string shut(deep, '}');
    // Beyond the depth limit the text is dropped; the rest of the document stays.
    EXPECT_EQ(readRtf("{\\rtf1 voor" + open + "diep" + shut + "na}").text(), "voorna");
    const std::string fine(kRtfMaxDepth - 2, '{');
    EXPECT_EQ(readRtf("{\\rtf1 " + fine + "\\b diep}").text(), "diep");
}

TEST(RtfReader, TextWithoutTheRtfHeaderIsShownAsPlainLines) {
    EXPECT_EQ(paragraphs(readRtf("eerste\r\ntweede\n\nv\xe9\xe9r\n")), (V{"eerste", "tweede", "", "véér"}));
}

TEST(RtfReader, RandomBytesNeverCrash) {
    std::mt19937 random(7);
    const std::string alphabet = "{}\\'abu0123456789- ;*\xe9\n";
    for (int i = 0; i < 3000; ++i) {
        std::string s = "{\\rtf1";
        const int n = static_cast<int>(random() % 200);
        for (int j = 0; j < n; ++j)
            s += (random() % 4 == 0) ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
        (void)readRtf(s);
    }
}

TEST(RtfReader, TheShippedHelpTextReadsWithHeadingsAndColours) {
    std::ifstream in(JOTANOR_SOURCE_DIR "/assets/memohelp.rtf", std::ios::binary);
    ASSERT_TRUE(in);
    std::stringstream all;
    all << in.rdbuf();
    const RtfDocument d = readRtf(all.str());
    const std::string text = d.text();
    for (const char* topic : {"Wat is een memo?", "Toetsen", "Zoeken", "Feestdagen", "Backup", "F5", "één"})
        EXPECT_NE(text.find(topic), std::string::npos) << topic;
    EXPECT_EQ(text.find("Jotanor;"), std::string::npos);  // no table or info text leaks out
    EXPECT_TRUE(runWith(d, "Toetsen").format.bold);
    EXPECT_TRUE(runWith(d, "Toetsen").format.color.has_value());
    EXPECT_EQ(d.paragraphs.front().align, RtfAlign::Center);
}

}  // namespace
}  // namespace jotanor
