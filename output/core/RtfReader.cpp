#include "output/core/RtfReader.h"

#include <algorithm>
#include <limits>
#include <map>

#include "store/Win1252.h"

namespace jotanor {
namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string byteText(std::uint8_t b) { return cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(&b), 1)); }

// Groups whose contents are never shown.
bool isSkippedDestination(std::string_view w) {
    static const std::string_view kSkipped[] = {
        "annotation", "atnauthor", "atnid", "author", "bkmkend", "bkmkstart", "buptim", "colorschememapping",
        "comment", "company", "creatim", "datafield", "datastore", "doccomm", "docvar", "falt", "fldinst",
        "filetbl", "footer", "footerf", "footerl", "footerr", "footnote", "generator", "header", "headerf",
        "headerl", "headerr", "info", "keywords", "latentstyles", "listoverridetable", "listtable", "manager",
        "mmathPr", "nonshppict", "object", "operator", "panose", "pgdsctbl", "pict", "pn", "printim",
        "private", "revtbl", "revtim", "rsidtbl", "rxe", "shpinst", "shppict", "stylesheet", "subject", "tc",
        "template", "themedata", "title", "txe", "userprops", "wgrffmtfilter", "xe", "xmlnstbl"};
    return std::find(std::begin(kSkipped), std::end(kSkipped), w) != std::end(kSkipped);
}

enum class Dest { Normal, Skip, FontTable, ColorTable };

struct State {
    bool bold = false, italic = false, underline = false;
    int halfPoints = 0;
    int font = -1;  // -1: the document's default font
    int color = 0;  // index in the colour table; 0 is the default colour
    RtfAlign align = RtfAlign::Left;
    int leftIndent = 0;
    int uc = 1;     // characters to skip after \uN
    Dest dest = Dest::Normal;
};

class Reader {
public:
    RtfDocument read(std::string_view input) {
        RtfTokenizer tokens(input);
        RtfToken t;
        while (!done_ && tokens.next(t)) handle(t);
        if (!stack_.empty() && stack_.back().dest == Dest::FontTable) commitFontName();
        flushSurrogate();
        if (!paragraph_.runs.empty()) endParagraph();
        return std::move(doc_);
    }

private:
    void handle(const RtfToken& t) {
        switch (t.kind) {
        case RtfTokenKind::GroupStart:
            skip_ = 0;
            if (overflow_ > 0 || stack_.size() >= static_cast<std::size_t>(kRtfMaxDepth)) {
                ++overflow_;
            } else {
                stack_.push_back(stack_.empty() ? State{} : stack_.back());
            }
            return;
        case RtfTokenKind::GroupEnd:
            skip_ = 0;
            if (overflow_ > 0) {
                --overflow_;
            } else if (!stack_.empty()) {
                if (stack_.back().dest == Dest::FontTable) commitFontName();
                // The last paragraph takes the alignment in force at the end.
                if (stack_.size() == 1 && !paragraph_.runs.empty()) endParagraph();
                stack_.pop_back();
                if (stack_.empty()) done_ = true;  // the document's own group has closed
            }
            return;
        case RtfTokenKind::Binary: return;
        default: break;
        }
        if (stack_.empty() || overflow_ > 0) return;
        State& s = stack_.back();
        if (t.kind == RtfTokenKind::Text) {
            text(s, t.word);
            return;
        }
        if (skip_ > 0) {
            --skip_;
            return;
        }
        if (t.kind == RtfTokenKind::HexByte) {
            const char c = static_cast<char>(t.byte);
            if (s.dest == Dest::FontTable) fontName_ += c;
            else if (s.dest == Dest::Normal) emitByte(s, t.byte);
        } else if (t.kind == RtfTokenKind::ControlSymbol) {
            symbol(s, t.symbol);
        } else {
            word(s, t);
        }
    }

    void text(State& s, std::string_view bytes) {
        std::string shown;  // the visible text of this piece, emitted at once
        for (char c : bytes) {
            if (c == '\r' || c == '\n') continue;
            if (skip_ > 0) {
                --skip_;
                continue;
            }
            switch (s.dest) {
            case Dest::Normal: {
                const auto b = static_cast<std::uint8_t>(c);
                if (b >= 0x80) shown += byteText(b);
                else if (b >= 0x20 || b == '\t') shown += c;
                break;
            }
            case Dest::FontTable:
                if (c == ';') commitFontName();
                else if (fontName_.size() < 256) fontName_ += c;
                break;
            case Dest::ColorTable:
                if (c == ';') commitColor();
                break;
            case Dest::Skip: break;
            }
        }
        if (!shown.empty()) emit(s, shown);
    }

    void symbol(State& s, char c) {
        if (c == '*') {
            s.dest = Dest::Skip;
            return;
        }
        if (s.dest == Dest::FontTable && (c == '\\' || c == '{' || c == '}')) fontName_ += c;
        if (s.dest != Dest::Normal) return;
        switch (c) {
        case '\\':
        case '{':
        case '}': emit(s, std::string(1, c)); break;
        case '~': emitCode(s, 0x00A0); break;
        case '_': emitCode(s, 0x2011); break;
        case '\t': emit(s, "\t"); break;
        case '\n':
        case '\r': endParagraph(); break;
        default: break;  // \- optional hyphen, \: index entry, \| formula
        }
    }

    void word(State& s, const RtfToken& t) {
        const std::string_view w = t.word;
        const int p = t.parameter;
        const bool on = !t.hasParameter || p != 0;

        if (w == "fonttbl") {
            if (s.dest != Dest::Skip) s.dest = Dest::FontTable;
            return;
        }
        if (w == "colortbl") {
            if (s.dest != Dest::Skip) s.dest = Dest::ColorTable;
            return;
        }
        if (isSkippedDestination(w)) {
            s.dest = Dest::Skip;
            return;
        }
        if (s.dest == Dest::FontTable) {
            if (w == "f") {
                commitFontName();
                fontNumber_ = p;
            }
            return;
        }
        if (s.dest == Dest::ColorTable) {
            const auto component = static_cast<std::uint8_t>(std::clamp(p, 0, 255));
            if (w == "red") pendingColor_.red = component;
            else if (w == "green") pendingColor_.green = component;
            else if (w == "blue") pendingColor_.blue = component;
            else return;
            colorSet_ = true;
            return;
        }
        if (s.dest != Dest::Normal) return;

        if (w == "par" || w == "sect" || w == "page" || w == "row") endParagraph();
        else if (w == "line") emit(s, "\n");
        else if (w == "tab" || w == "cell") emit(s, "\t");
        else if (w == "b") s.bold = on;
        else if (w == "i") s.italic = on;
        else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" || w == "ulwave" ||
                 w == "ulth")
            s.underline = on;
        else if (w == "ulnone") s.underline = false;
        else if (w == "fs") s.halfPoints = t.hasParameter ? (p <= 0 ? 0 : std::clamp(p, 2, 400)) : 24;
        else if (w == "cf") s.color = std::max(p, 0);
        else if (w == "f") s.font = std::max(p, 0);
        else if (w == "deff") defaultFont_ = p;
        else if (w == "plain") {
            s.bold = s.italic = s.underline = false;
            s.halfPoints = 0;
            s.font = -1;
            s.color = 0;
        } else if (w == "pard") {
            s.align = RtfAlign::Left;
            s.leftIndent = 0;
        } else if (w == "li") s.leftIndent = std::clamp(p, 0, 14400);
        else if (w == "ql") s.align = RtfAlign::Left;
        else if (w == "qc") s.align = RtfAlign::Center;
        else if (w == "qr") s.align = RtfAlign::Right;
        else if (w == "qj") s.align = RtfAlign::Justify;
        else if (w == "uc") s.uc = t.hasParameter ? std::max(p, 0) : 1;
        else if (w == "u" && t.hasParameter) {
            unicode(s, p < 0 ? p + 65536 : p);
            skip_ = s.uc;
        } else if (w == "emdash") emitCode(s, 0x2014);
        else if (w == "endash") emitCode(s, 0x2013);
        else if (w == "bullet") emitCode(s, 0x2022);
        else if (w == "lquote") emitCode(s, 0x2018);
        else if (w == "rquote") emitCode(s, 0x2019);
        else if (w == "ldblquote") emitCode(s, 0x201C);
        else if (w == "rdblquote") emitCode(s, 0x201D);
        else if (w == "emspace") emitCode(s, 0x2003);
        else if (w == "enspace") emitCode(s, 0x2002);
    }

    void unicode(State& s, std::int64_t cp) {
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            flushSurrogate();
            highSurrogate_ = static_cast<char32_t>(cp);
            return;
        }
        if (cp >= 0xDC00 && cp <= 0xDFFF) {
            if (highSurrogate_ == 0) {
                emitCode(s, 0xFFFD);
                return;
            }
            const char32_t full = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (static_cast<char32_t>(cp) - 0xDC00);
            highSurrogate_ = 0;
            emitCode(s, full);
            return;
        }
        if (cp < 0 || cp > 0x10FFFF) cp = 0xFFFD;
        emitCode(s, static_cast<char32_t>(cp));
    }

    void flushSurrogate() {
        if (highSurrogate_ == 0) return;
        highSurrogate_ = 0;
        if (!stack_.empty()) {
            std::string r;
            appendUtf8(r, 0xFFFD);
            append(stack_.back(), r);
        }
    }

    void emitByte(const State& s, std::uint8_t b) {
        if (b < 0x20 && b != '\t') return;
        emit(s, b < 0x80 ? std::string(1, static_cast<char>(b)) : byteText(b));
    }

    void emitCode(const State& s, char32_t cp) {
        if (cp < 0x20 && cp != '\t') return;
        std::string r;
        appendUtf8(r, cp);
        emit(s, r);
    }

    void emit(const State& s, const std::string& utf8) {
        flushSurrogate();
        append(s, utf8);
    }

    void append(const State& s, const std::string& utf8) {
        RtfFormat f;
        f.bold = s.bold;
        f.italic = s.italic;
        f.underline = s.underline;
        f.halfPoints = s.halfPoints;
        const int font = s.font >= 0 ? s.font : defaultFont_;
        if (auto it = fonts_.find(font); it != fonts_.end()) f.font = it->second;
        if (s.color > 0 && static_cast<std::size_t>(s.color) < colors_.size()) f.color = colors_[s.color];
        if (!paragraph_.runs.empty() && paragraph_.runs.back().format == f) {
            paragraph_.runs.back().text += utf8;
        } else {
            paragraph_.runs.push_back({utf8, std::move(f)});
        }
    }

    void endParagraph() {
        flushSurrogate();
        paragraph_.align = stack_.empty() ? RtfAlign::Left : stack_.back().align;
        paragraph_.leftIndent = stack_.empty() ? 0 : stack_.back().leftIndent;
        doc_.paragraphs.push_back(std::move(paragraph_));
        paragraph_ = RtfParagraph{};
    }

    void commitFontName() {
        std::string name = fontName_;
        fontName_.clear();
        const auto first = name.find_first_not_of(' ');
        if (first == std::string::npos) return;
        name = name.substr(first, name.find_last_not_of(' ') - first + 1);
        if (fonts_.size() < 4096 || fonts_.count(fontNumber_)) fonts_[fontNumber_] = cp1252ToUtf8(name);
    }

    void commitColor() {
        if (colors_.size() < 4096) colors_.push_back(colorSet_ ? std::optional<RtfColor>(pendingColor_) : std::nullopt);
        pendingColor_ = {};
        colorSet_ = false;
    }

    RtfDocument doc_;
    RtfParagraph paragraph_;
    std::vector<State> stack_;
    int overflow_ = 0;
    bool done_ = false;
    std::int64_t skip_ = 0;
    char32_t highSurrogate_ = 0;

    std::map<int, std::string> fonts_;
    int fontNumber_ = 0;
    std::string fontName_;
    int defaultFont_ = -1;
    std::vector<std::optional<RtfColor>> colors_;
    RtfColor pendingColor_;
    bool colorSet_ = false;
};

RtfDocument plainText(std::string_view input) {
    RtfDocument doc;
    std::string line;
    auto finish = [&] {
        RtfParagraph p;
        if (!line.empty()) p.runs.push_back({cp1252ToUtf8(line), {}});
        doc.paragraphs.push_back(std::move(p));
        line.clear();
    };
    for (std::size_t i = 0; i < input.size(); ++i) {
        const char c = input[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < input.size() && input[i + 1] == '\n') ++i;
            finish();
        } else if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') {
            line += c;
        }
    }
    if (!line.empty()) finish();
    return doc;
}

}  // namespace

bool RtfTokenizer::next(RtfToken& t) {
    t = RtfToken{};
    const std::size_t n = in_.size();
    if (pendingBinary_ > 0) {
        const std::size_t k = std::min(pendingBinary_, n - pos_);
        pendingBinary_ = 0;
        t.kind = RtfTokenKind::Binary;
        t.word = in_.substr(pos_, k);
        pos_ += k;
        return true;
    }
    while (pos_ < n) {
        const char c = in_[pos_];
        if (c == '{' || c == '}') {
            t.kind = c == '{' ? RtfTokenKind::GroupStart : RtfTokenKind::GroupEnd;
            ++pos_;
            return true;
        }
        if (c != '\\') {
            const std::size_t end = in_.find_first_of("{}\\", pos_);
            const std::size_t stop = end == std::string_view::npos ? n : end;
            t.kind = RtfTokenKind::Text;
            t.word = in_.substr(pos_, stop - pos_);
            pos_ = stop;
            return true;
        }
        if (++pos_ >= n) return false;  // a backslash at the very end
        const char d = in_[pos_];
        if (isLetter(d)) {
            const std::size_t start = pos_;
            while (pos_ < n && isLetter(in_[pos_])) ++pos_;
            t.kind = RtfTokenKind::ControlWord;
            t.word = in_.substr(start, pos_ - start);
            bool negative = false;
            if (pos_ + 1 < n && in_[pos_] == '-' && isDigit(in_[pos_ + 1])) {
                negative = true;
                ++pos_;
            }
            if (pos_ < n && isDigit(in_[pos_])) {
                std::int64_t v = 0;
                while (pos_ < n && isDigit(in_[pos_])) {
                    if (v <= std::numeric_limits<std::int32_t>::max()) v = v * 10 + (in_[pos_] - '0');
                    ++pos_;
                }
                if (negative) v = -v;
                t.hasParameter = true;
                t.parameter = static_cast<std::int32_t>(std::clamp<std::int64_t>(
                    v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
            }
            if (pos_ < n && in_[pos_] == ' ') ++pos_;
            if (t.word == "bin" && t.hasParameter && t.parameter > 0)
                pendingBinary_ = static_cast<std::size_t>(t.parameter);
            return true;
        }
        if (d == '\'') {
            ++pos_;
            int value = 0, digits = 0;
            while (digits < 2 && pos_ < n && hexValue(in_[pos_]) >= 0) {
                value = value * 16 + hexValue(in_[pos_]);
                ++pos_;
                ++digits;
            }
            if (digits == 0) continue;  // "\'" without a number stands for nothing
            t.kind = RtfTokenKind::HexByte;
            t.byte = static_cast<std::uint8_t>(value);
            return true;
        }
        t.kind = RtfTokenKind::ControlSymbol;
        t.symbol = d;
        ++pos_;
        return true;
    }
    return false;
}

std::string RtfParagraph::text() const {
    std::string s;
    for (const auto& r : runs) s += r.text;
    return s;
}

std::string RtfDocument::text() const {
    std::string s;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i > 0) s += '\n';
        s += paragraphs[i].text();
    }
    return s;
}

RtfDocument readRtf(std::string_view input) {
    if (input.substr(0, 5) != "{\\rtf") return plainText(input);
    return Reader().read(input);
}

}  // namespace jotanor
