#include "platform/x11/CompoundText.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace quenda::x11 {

namespace {

constexpr char16_t kReplacement = u'\uFFFD';
constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kCsi = 0x9B;
constexpr char kStx = 0x02;

// A glibc conversion to UTF-8, opened on first use and closed with its owner.
class Iconv {
  public:
    explicit Iconv(std::string from) : from_(std::move(from)) {}
    ~Iconv() {
        if (opened_ && cd_ != kFailed) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // `bytes` as text; every byte the encoding cannot read, and a character cut off at the
    // end, is one U+FFFD.
    QString decode(std::string_view bytes) {
        if (!opened_) {
            cd_ = iconv_open("UTF-8", from_.c_str());
            opened_ = true;
        }
        if (cd_ == kFailed) return bytes.empty() ? QString() : QString(QChar(kReplacement));
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        QString out;
        // iconv's input is not const in its signature; it only reads it.
        char* in = const_cast<char*>(bytes.data());
        size_t inLeft = bytes.size();
        char buffer[256];
        while (inLeft > 0) {
            char* o = buffer;
            size_t oLeft = sizeof buffer;
            const size_t r = iconv(cd_, &in, &inLeft, &o, &oLeft);
            out += QString::fromUtf8(buffer, o - buffer);
            if (r != size_t(-1)) break;
            if (errno == E2BIG && o != buffer) continue;
            out += QChar(kReplacement);
            if (errno != EILSEQ) break;  // cut off at the end, or no progress
            ++in;
            --inLeft;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

    // One character of a stateless encoding: its text, or one U+FFFD.
    QString character(std::string_view bytes) {
        const QString c = decode(bytes);
        return c.isEmpty() || c.contains(QChar(kReplacement)) ? QString(QChar(kReplacement)) : c;
    }

  private:
    static inline const iconv_t kFailed = iconv_t(-1);
    std::string from_;
    iconv_t cd_ = kFailed;
    bool opened_ = false;
};

// The conversions one text needs, each opened once.
class Conversions {
  public:
    Iconv& operator[](const std::string& from) {
        auto& slot = open_[from];
        if (!slot) slot = std::make_unique<Iconv>(from);
        return *slot;
    }

  private:
    std::unordered_map<std::string, std::unique_ptr<Iconv>> open_;
};

// A character set designated to one half, left (GL, bytes 0x21..0x7E) or right (GR, bytes
// 0xA0..0xFF).
struct Charset {
    enum class Kind { ascii, latin1, iso8859, katakana, multiByte, unknown };
    Kind kind = Kind::unknown;
    bool has96 = false;               // 96 characters (ISO 8859 right halves), else 94
    int width = 1;                    // bytes per character
    const char* encoding = nullptr;   // iconv's name of the full 8-bit set (ISO 8859, EUC)
    const char* eucPrefix = nullptr;  // a set EUC reaches through a single shift
};

Charset set94(char final) {
    switch (final) {
        case 'B':  // ASCII
        case 'J':  // JIS X 0201 Roman, ASCII but for yen and overline where titles rarely go
            return {.kind = Charset::Kind::ascii};
        case 'I':  // JIS X 0201 Katakana
            return {.kind = Charset::Kind::katakana};
        default:
            return {};
    }
}

Charset set96(char final) {
    struct Known {
        char final;
        const char* encoding;
    };
    static constexpr Known known[] = {
        {'B', "ISO-8859-2"},  {'C', "ISO-8859-3"},  {'D', "ISO-8859-4"},  {'F', "ISO-8859-7"},
        {'G', "ISO-8859-6"},  {'H', "ISO-8859-8"},  {'L', "ISO-8859-5"},  {'M', "ISO-8859-9"},
        {'T', "ISO-8859-11"}, {'V', "ISO-8859-10"}, {'Y', "ISO-8859-13"}, {'_', "ISO-8859-14"},
        {'b', "ISO-8859-15"}, {'f', "ISO-8859-16"},
    };
    if (final == 'A') return {.kind = Charset::Kind::latin1, .has96 = true};
    for (const Known& k : known) {
        if (k.final == final)
            return {.kind = Charset::Kind::iso8859, .has96 = true, .encoding = k.encoding};
    }
    return {.has96 = true};
}

Charset set94n(char final) {
    switch (final) {
        case 'A':  // GB 2312
            return {.kind = Charset::Kind::multiByte, .width = 2, .encoding = "EUC-CN"};
        case 'B':  // JIS X 0208
            return {.kind = Charset::Kind::multiByte, .width = 2, .encoding = "EUC-JP"};
        case 'C':  // KS C 5601
            return {.kind = Charset::Kind::multiByte, .width = 2, .encoding = "EUC-KR"};
        case 'D':  // JIS X 0212, EUC-JP's third code set
            return {.kind = Charset::Kind::multiByte,
                    .width = 2,
                    .encoding = "EUC-JP",
                    .eucPrefix = "\x8F"};
        default:
            // The final byte's column says how many bytes a character takes.
            return {.width = final >= 0x70 ? 4 : final >= 0x60 ? 3 : 2};
    }
}

// Tabs and newlines are the only controls a title keeps, whichever encoding carried it.
bool isDroppedControl(char16_t c) {
    return (c < 0x20 && c != u'\t' && c != u'\n') || (c >= 0x7F && c < 0xA0);
}

QString withoutControls(QString text) {
    text.removeIf([](QChar c) { return isDroppedControl(c.unicode()); });
    return text;
}

// ISO 10646 in two (UTF-16) or four bytes a character, big-endian. glibc's UCS-4 reads
// values past Unicode as characters, so this is done here.
QString ucsBigEndian(std::string_view text, size_t width) {
    const auto unit = [&](size_t at, size_t bytes) {
        char32_t v = 0;
        for (size_t k = 0; k < bytes; ++k) v = (v << 8) | uint8_t(text[at + k]);
        return v;
    };
    QString out;
    size_t at = 0;
    for (; width <= text.size() - at; at += width) {
        char32_t v = unit(at, width);
        if (width == 2 && QChar::isHighSurrogate(v) && text.size() - at >= 4 &&
            QChar::isLowSurrogate(unit(at + 2, 2))) {
            v = QChar::surrogateToUcs4(char16_t(v), char16_t(unit(at + 2, 2)));
            at += 2;
        }
        if (v > 0x10FFFF || QChar::isSurrogate(v))
            out += QChar(kReplacement);
        else
            out += QString::fromUcs4(&v, 1);
    }
    if (at < text.size()) out += QChar(kReplacement);
    return out;
}

bool isIntermediate(uint8_t b) {
    return b >= 0x20 && b <= 0x2F;
}
bool isFinal(uint8_t b) {
    return b >= 0x30 && b <= 0x7E;
}

class Decoder {
  public:
    explicit Decoder(std::string_view bytes) : s_(bytes) {}

    QString run() {
        while (i_ < s_.size()) {
            const uint8_t b = at(i_);
            if (b == kEsc) {
                escape();
            } else if (b == kCsi) {
                controlSequence();
            } else if (b < 0x20 || (b >= 0x7F && b < 0xA0)) {
                // Controls: tab and newline kept, the rest dropped.
                if (!isDroppedControl(b)) out_ += QChar(char16_t(b));
                ++i_;
            } else if (b == 0x20) {
                out_ += QChar(u' ');  // the left half's space is always a space
                ++i_;
            } else {
                graphic(b >= 0xA0 ? gr_ : gl_, b >= 0xA0);
            }
        }
        return out_;
    }

  private:
    uint8_t at(size_t k) const { return uint8_t(s_[k]); }
    void replacement() { out_ += QChar(kReplacement); }

    // One character of the set designated to the byte's half.
    void graphic(const Charset& set, bool right) {
        if (set.width == 1) {
            single(set, at(i_) & 0x7F);
            ++i_;
            return;
        }
        // Every byte of the character from the same half and inside the set's 94 places;
        // otherwise the first byte is unreadable and the rest is read afresh.
        const size_t width = size_t(set.width);
        bool whole = width <= s_.size() - i_;
        for (size_t k = 0; whole && k < width; ++k) {
            const uint8_t b = at(i_ + k);
            whole = (b >= 0x80) == right && (b & 0x7F) >= 0x21 && (b & 0x7F) <= 0x7E;
        }
        if (!whole || set.kind != Charset::Kind::multiByte) {
            replacement();
            i_ += whole ? width : 1;
            return;
        }
        std::string euc = set.eucPrefix ? set.eucPrefix : "";
        for (size_t k = 0; k < width; ++k) euc += char(at(i_ + k) | 0x80);
        out_ += conversions_[set.encoding].character(euc);
        i_ += width;
    }

    void single(const Charset& set, uint8_t c) {
        // c is 0x21..0x7F here, or 0x20 from the right half: 94-sets leave 0x20 and 0x7F out.
        if (!set.has96 && (c == 0x20 || c == 0x7F)) return replacement();
        switch (set.kind) {
            case Charset::Kind::ascii:
                out_ += QChar(char16_t(c));
                return;
            case Charset::Kind::latin1:
                out_ += QChar(char16_t(c | 0x80));
                return;
            case Charset::Kind::katakana:
                if (c > 0x5F) return replacement();
                out_ += QChar(char16_t(0xFF61 + (c - 0x21)));
                return;
            case Charset::Kind::iso8859: {
                const char byte = char(c | 0x80);
                out_ += conversions_[set.encoding].character(std::string_view(&byte, 1));
                return;
            }
            default:
                return replacement();
        }
    }

    // ESC, intermediates, a final byte. A sequence cut off or broken by another byte is
    // one U+FFFD, and reading goes on at the byte that broke it.
    void escape() {
        size_t j = i_ + 1;
        while (j < s_.size() && isIntermediate(at(j))) ++j;
        if (j >= s_.size() || !isFinal(at(j))) {
            replacement();
            i_ = j;
            return;
        }
        const std::string_view inter = s_.substr(i_ + 1, j - i_ - 1);
        const char final = s_[j];
        i_ = j + 1;
        if (inter == "(") {
            gl_ = set94(final);
        } else if (inter == ")") {
            gr_ = set94(final);
        } else if (inter == "-") {
            gr_ = set96(final);
        } else if (inter == "$(") {
            gl_ = set94n(final);
        } else if (inter == "$)") {
            gr_ = set94n(final);
        } else if (inter == "%" && final == 'G') {
            utf8Segment();
        } else if (inter == "%" && final == '@') {
            // The end of a UTF-8 segment that never began: nothing to read.
        } else if (inter == "%/" && final >= '0' && final <= '4') {
            extendedSegment(final - '0');
        } else if (inter.size() == 2 && inter[0] == '#' && final == '0') {
            // The version of the encoding: every version reads the same.
        } else {
            replacement();
        }
    }

    // UTF-8 up to ESC % @ (or the end), after which the designations stand as before.
    void utf8Segment() {
        const size_t end = s_.find("\x1b%@", i_);
        const std::string_view text = s_.substr(i_, end == std::string_view::npos ? end : end - i_);
        out_ += withoutControls(QString::fromUtf8(text.data(), qsizetype(text.size())));
        i_ = end == std::string_view::npos ? s_.size() : end + 3;
    }

    // Two count bytes M L (each with its high bit set: (M - 128) * 128 + L - 128 bytes
    // follow), the encoding's name, STX, the text.
    void extendedSegment(int bytesPerCharacter) {
        if (s_.size() - i_ < 2) {
            replacement();
            i_ = s_.size();
            return;
        }
        const uint8_t m = at(i_), l = at(i_ + 1);
        if (m < 0x80 || l < 0x80) return replacement();  // no count: read on from here
        const size_t length = size_t(m - 0x80) * 128 + size_t(l - 0x80);
        i_ += 2;
        if (length > s_.size() - i_) {
            replacement();
            i_ = s_.size();
            return;
        }
        const std::string_view segment = s_.substr(i_, length);
        i_ += length;
        const size_t stx = segment.find(kStx);
        if (stx == std::string_view::npos) return replacement();
        out_ += withoutControls(
            named(segment.substr(0, stx), bytesPerCharacter, segment.substr(stx + 1)));
    }

    QString named(std::string_view name, int bytesPerCharacter, std::string_view text) {
        std::string lower(name);
        for (char& c : lower) {
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        }
        if (lower == "utf-8" ||
            (lower == "iso10646-1" && bytesPerCharacter != 2 && bytesPerCharacter != 4)) {
            return QString::fromUtf8(text.data(), qsizetype(text.size()));
        }
        if (lower == "iso10646-1") return ucsBigEndian(text, size_t(bytesPerCharacter));
        struct Known {
            const char* name;
            const char* encoding;
        };
        static constexpr Known known[] = {
            {"koi8-r", "KOI8-R"},
            {"koi8-u", "KOI8-U"},
            {"armscii-8", "ARMSCII-8"},
            {"georgian-ps", "GEORGIAN-PS"},
            {"tcvn-5712", "TCVN5712-1"},
            {"microsoft-cp1251", "CP1251"},
            {"microsoft-cp1255", "CP1255"},
            {"microsoft-cp1256", "CP1256"},
            {"big5-0", "BIG5"},
            {"big5hkscs-0", "BIG5-HKSCS"},
            {"gbk-0", "GBK"},
            {"gb18030-0", "GB18030"},
        };
        for (const Known& k : known) {
            if (lower == k.name) return conversions_[k.encoding].decode(text);
        }
        // iso8859-N: the whole 8-bit set, ASCII included.
        constexpr std::string_view iso = "iso8859-";
        if (lower.size() > iso.size() && lower.size() <= iso.size() + 2 &&
            lower.compare(0, iso.size(), iso) == 0 &&
            lower.find_first_not_of("0123456789", iso.size()) == std::string::npos) {
            const std::string encoding = "ISO-8859-" + lower.substr(iso.size());
            return conversions_[encoding].decode(text);
        }
        return QString(QChar(kReplacement));
    }

    // CSI, parameters, intermediates, a final byte: the direction of the text, which
    // Unicode text carries by itself. Cut off or broken, it is one U+FFFD.
    void controlSequence() {
        size_t j = i_ + 1;
        while (j < s_.size() && at(j) >= 0x30 && at(j) <= 0x3F) ++j;
        while (j < s_.size() && isIntermediate(at(j))) ++j;
        if (j >= s_.size() || at(j) < 0x40 || at(j) > 0x7E) {
            replacement();
            i_ = j;
            return;
        }
        i_ = j + 1;
    }

    std::string_view s_;
    size_t i_ = 0;
    Charset gl_ = set94('B');
    Charset gr_ = set96('A');
    QString out_;
    Conversions conversions_;
};

}  // namespace

QString decodeCompoundText(QByteArrayView bytes) {
    return Decoder(std::string_view(bytes.data(), size_t(bytes.size()))).run();
}

}  // namespace quenda::x11
