// Compound text, as Xlib programs put titles into WM_NAME, read as Unicode: the sets X
// designates, UTF-8 and extended segments, and whatever a hostile or cut-off title holds.
#include <gtest/gtest.h>

#include <QString>

#include "platform/x11/CompoundText.h"

namespace quenda::x11 {
namespace {

// The bytes of a literal, embedded NULs included.
template <size_t N>
QByteArray raw(const char (&s)[N]) {
    return QByteArray(s, N - 1);
}

struct Case {
    const char* name;
    QByteArray bytes;
    const char* text;  // UTF-8
};

void check(const Case& c) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decodeCompoundText(c.bytes).toStdString(), std::string(c.text))
        << "bytes: " << c.bytes.toHex(' ').toStdString();
}

TEST(CompoundText, ReadsTheSetsXDesignates) {
    const Case cases[] = {
        // xterm -T "Año ✓ Привет 日本" in a UTF-8 locale, as xprop read it.
        {"xterm title",
         raw("A\xf1o \x1b%G\xe2\x9c\x93\x1b%@ \x1b-L\xbf\xe0\xd8\xd2\xd5\xe2 \x1b$(BF|K\\"),
         "Año ✓ Привет 日本"},
        {"ascii", raw("plain title 42"), "plain title 42"},
        {"empty", raw(""), ""},
        {"latin-1 right half from the start", raw("Se\xf1or \xbf\xa9"), "Señor ¿©"},
        {"tab and newline stay, other controls go",
         raw("a\tb\nc\x01\x7f\x00\x85\x9f"
             "d"),
         "a\tb\ncd"},
        {"iso 8859-5", raw("\x1b-L\xb6\xe3\xda"), "Жук"},
        {"iso 8859-7", raw("\x1b-F\xc5\xeb\xeb\xdc\xe4\xe1"), "Ελλάδα"},
        {"iso 8859-2",
         raw("\x1b-B\xa3\xf3"
             "d\xbc"),
         "Łódź"},
        {"iso 8859-8", raw("\x1b-H\xf9\xec\xe5\xed"), "שלום"},
        {"iso 8859-9", raw("\x1b-M\xddstanbul"), "İstanbul"},
        {"iso 8859-15", raw("\x1b-b\xa4uro"), "€uro"},
        {"back to latin-1", raw("\x1b-L\xb6\x1b-A\xb6"), "Ж¶"},
        {"gb 2312 on the left", raw("\x1b$(AVPND"), "中文"},
        {"ks c 5601 on the left", raw("\x1b$(CGQ19"), "한국"},
        {"jis x 0208 on the right, ascii on the left", raw("\x1b$)Bx\xc6\xfc\xcb\xdcy"), "x日本y"},
        {"gb 2312 on the right", raw("\x1b$)A\xd6\xd0\xce\xc4"), "中文"},
        {"jis x 0212", raw("\x1b$(D0!"), "丂"},
        {"space between double-byte characters", raw("\x1b$(BF| K\\"), "日 本"},
        {"back to ascii on the left", raw("\x1b$(BF|\x1b(BF|"), "日F|"},
        {"jis x 0201 roman reads as ascii", raw("\x1b(Jabc"), "abc"},
        {"jis x 0201 katakana", raw("\x1b(I1!\x1b(Bx\x1b)I\xb1"), "ｱ｡xｱ"},
        {"utf-8 segment keeps the designations around it",
         raw("\x1b-L\xb6\x1b%G\xe2\x9c\x93\x1b%@\xb6"), "Ж✓Ж"},
        {"utf-8 segment to the end", raw("a\x1b%G\xc3\xa9\xe2\x9c\x93"), "aé✓"},
        {"version and direction are no text",
         raw("\x1b# 0a\x9b"
             "1]b\x9b]c"),
         "abc"},
        {"extended segment koi8-r", raw("a\x1b%/1\x80\x8akoi8-r\x02\xed\xc9\xd2z"), "aМирz"},
        {"extended segment big5",
         raw("\x1b%/2\x80\x8b"
             "big5-0\x02\xa5x\xc6W"),
         "台灣"},
        {"extended segment utf-8", raw("\x1b%/0\x80\x89utf-8\x02\xe2\x9c\x93"), "✓"},
        {"extended segment iso10646-1, two bytes each",
         raw("\x1b%/2\x80\x8fiso10646-1\x02\x65\xe5\x27\x13"), "日✓"},
        {"extended segment iso10646-1, variable", raw("\x1b%/0\x80\x8dISO10646-1\x02\xc3\xa9"),
         "é"},
        {"extended segment iso8859-7", raw("\x1b%/1\x80\x8ciso8859-7\x02\xc5x"), "Εx"},
        {"extended segment leaves the designations", raw("\x1b-L\x1b%/1\x80\x87koi8-r\x02\xb6"),
         "Ж"},
    };
    for (const Case& c : cases) check(c);
}

// Nothing a client writes reads past its bytes or stops the rest of the title: what cannot be
// read is U+FFFD, and reading goes on after it.
TEST(CompoundText, MarksWhatCannotBeReadAndGoesOn) {
    const Case cases[] = {
        {"escape at the end", raw("a\x1b"), "a\uFFFD"},
        {"designation cut off", raw("a\x1b("), "a\uFFFD"},
        {"double-byte designation cut off", raw("a\x1b$)"), "a\uFFFD"},
        {"escape broken by a byte", raw("\x1b(\xe9x"), "\uFFFDéx"},
        {"escape broken by another escape", raw("\x1b$\x1b-L\xb6"), "\uFFFDЖ"},
        {"unknown escape", raw("a\x1bxb"), "a\uFFFDb"},
        {"unknown 94-set", raw("\x1b(Zab c\x1b(Bd"), "\uFFFD\uFFFD \uFFFDd"},
        {"unknown 96-set",
         raw("\x1b-Z\xa0\xff"
             "a"),
         "\uFFFD\uFFFDa"},
        {"unknown double-byte set", raw("\x1b$(Zabcd\x1b(Be"), "\uFFFD\uFFFDe"},
        {"unknown three-byte set", raw("\x1b$(aabc"), "\uFFFD"},
        {"double-byte character cut off", raw("\x1b$(AVPN"), "中\uFFFD"},
        {"double-byte halves mixed", raw("\x1b$(AV\xd0"), "\uFFFDÐ"},
        {"double-byte character with a control", raw("\x1b$(AV\nP"), "\uFFFD\n\uFFFD"},
        {"double-byte code the set leaves empty", raw("\x1b$(A~~VP"), "\uFFFD中"},
        {"byte iso 8859-3 leaves empty", raw("\x1b-C\xa5\xa1"), "\uFFFDĦ"},
        {"94-set on the right has no 0xa0 nor 0xff", raw("\x1b)B\xa0\xff\xc1"), "\uFFFD\uFFFDA"},
        {"katakana past its range", raw("\x1b(I`1"), "\uFFFDｱ"},
        // Qt marks each byte of a cut-off sequence.
        {"invalid utf-8 segment",
         raw("\x1b%G\xff"
             "A\xe2\x9c\x1b%@b"),
         "\uFFFDA\uFFFD\uFFFDb"},
        {"stray end of a utf-8 segment", raw("a\x1b%@b"), "ab"},
        {"controls inside segments go too",
         raw("\x1b%G\x01"
             "a\tb\xc2\x85\x1b%@\x1b%/1\x80\x89koi8-r\x02\x07\n"
             "c"),
         "a\tb\nc"},
        {"extended segment without a count", raw("x\x1b%/1"), "x\uFFFD"},
        {"extended segment with half a count", raw("x\x1b%/1\x80"), "x\uFFFD"},
        {"extended segment count without its high bits",
         raw("\x1b%/1"
             "AB"),
         "\uFFFDAB"},
        {"extended segment longer than the title", raw("\x1b%/1\x80\x90koi8-r\x02\xed"), "\uFFFD"},
        {"extended segment with the largest count", raw("\x1b%/1\xff\xffkoi8-r\x02"), "\uFFFD"},
        {"extended segment without a name's end",
         raw("\x1b%/1\x80\x83"
             "abcd"),
         "\uFFFDd"},
        {"extended segment of an unknown encoding",
         raw("\x1b%/1\x80\x86xyz\x02"
             "abc"),
         "\uFFFDc"},
        {"extended segment with bytes its encoding lacks",
         raw("\x1b%/2\x80\x88"
             "big5-0\x02\xa5"
             "z"),
         "\uFFFDz"},
        {"extended segment iso10646-1 of odd length",
         raw("\x1b%/2\x80\x8eiso10646-1\x02\x00"
             "A\x00"),
         "A\uFFFD"},
        {"extended segment iso10646-1 past unicode and lone surrogates",
         raw("\x1b%/4\x80\x97iso10646-1\x02\x7f\xff\xff\xff\x00\x00\xd8\x00\x00\x01\xf6\x00"),
         "\uFFFD\uFFFD😀"},
        {"extended segment utf-16 surrogates",
         raw("\x1b%/2\x80\x93iso10646-1\x02\xd8\x3d\xde\x00\xdc\x00\xd8\x3d"), "😀\uFFFD\uFFFD"},
        {"extended segment iso8859 of no number", raw("\x1b%/1\x80\x8biso8859-x\x02\xc5"),
         "\uFFFD"},
        {"extended segment iso8859 of no such part", raw("\x1b%/1\x80\x8ciso8859-99\x02\xc5"),
         "\uFFFD"},
        {"direction cut off",
         raw("a\x9b"
             "1"),
         "a\uFFFD"},
        {"direction broken by a byte",
         raw("a\x9b"
             "1\xe9"),
         "a\uFFFDé"},
    };
    for (const Case& c : cases) check(c);
}

}  // namespace
}  // namespace quenda::x11
