#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/sim/TestPrinters.h"
#include "workspaces/SavedWindow.h"

namespace quenda {

inline void PrintTo(const SavedWindow& w, std::ostream* os) {
    *os << '{' << w.bundleID.toStdString() << ", " << w.appName.toStdString() << ", "
        << w.title.toStdString() << ", ";
    PrintTo(w.frame, os);
    *os << '}';
}

namespace {

QByteArray encoded(const std::vector<SavedWindow>& windows) {
    const auto data = encodeSavedWindows(windows);
    EXPECT_TRUE(data.has_value());
    return data.value_or(QByteArray());
}

TEST(EncodeSavedWindows, WritesCompactJsonWithTheKeysInOrder) {
    EXPECT_EQ(encoded({{"org.mozilla.firefox", "Firefox", "Docs", {8, 33, 708, 859}}}),
              QByteArray(R"([{"bundleID":"org.mozilla.firefox","appName":"Firefox",)"
                         R"("title":"Docs","frame":[[8,33],[708,859]]}])"));
    EXPECT_EQ(encoded({}), QByteArray("[]"));
    EXPECT_EQ(
        encoded({{"a", "A", "", {0, 0, 1, 1}}, {"b", "B", "t", {-1440, 0, 2, 3}}}),
        QByteArray(R"([{"bundleID":"a","appName":"A","title":"","frame":[[0,0],[1,1]]},)"
                   R"({"bundleID":"b","appName":"B","title":"t","frame":[[-1440,0],[2,3]]}])"));
}

TEST(EncodeSavedWindows, EscapesTextAndWritesNumbersAsJsonDoes) {
    struct Case {
        QString title;
        const char* json;
    } cases[] = {
        {"~/src/quenda", R"("~\/src\/quenda")"},
        {R"(say "hi" \ bye)", R"("say \"hi\" \\ bye")"},
        {"a\nb\tc\rd\be\ff", R"("a\nb\tc\rd\be\ff")"},
        {QString(QChar(1)) + QChar(0x1f), R"("\u0001\u001f")"},
        {QString::fromUtf8("Café ☕ 日本語 🚀"), "\"Café ☕ 日本語 🚀\""},
    };
    for (const Case& c : cases) {
        const QByteArray json = encoded({{"id", "App", c.title, {0, 0, 1, 1}}});
        EXPECT_TRUE(json.contains(QByteArray(R"("title":)") + c.json)) << json.toStdString();
    }

    struct Number {
        Rect frame;
        const char* json;
    } numbers[] = {
        {{8, 33, 708, 859}, "[[8,33],[708,859]]"},
        {{8.5, -0.25, 0.1, 1e6}, "[[8.5,-0.25],[0.1,1000000]]"},
        {{-0.0, 0.0001, 1e15 + 0.5, 4096}, "[[-0,0.0001],[1000000000000000.5,4096]]"},
        {{1e20, 1e-7, 1.0 / 3, 2.5e-5}, "[[1e+20,1e-07],[0.3333333333333333,2.5e-05]]"},
        {{-2560, -1080, 1920.75, 1080}, "[[-2560,-1080],[1920.75,1080]]"},
    };
    for (const Number& n : numbers) {
        const QByteArray json = encoded({{"id", "App", "t", n.frame}});
        EXPECT_TRUE(json.contains(QByteArray(R"("frame":)") + n.json)) << json.toStdString();
    }
}

TEST(EncodeSavedWindows, RefusesNumbersJsonCannotCarry) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Rect& frame : {Rect{inf, 0, 1, 1}, Rect{0, 0, nan, 1}, Rect{0, 0, 1, -inf}}) {
        EXPECT_FALSE(encodeSavedWindows({{"a", "A", "ok", {0, 0, 1, 1}}, {"b", "B", "t", frame}}))
            << frame.x << ' ' << frame.width << ' ' << frame.height;
    }
}

TEST(DecodeSavedWindows, ReadsBackWhatWasWritten) {
    const std::vector<SavedWindow> windows = {
        {"org.gnome.Nautilus",
         QString::fromUtf8("Archivos"),
         QString::fromUtf8("/home/ana/Música — «Año 2024» 🎵"),
         {8, 33, 708, 859}},
        {"xterm",
         "xterm",
         R"(bash "quoted" \ /tmp)" + QString("\n\t") + QChar(2),
         {-1919.5, 0.125, 1e-3, 12345678.9}},
        {"org.kde.kate", "", "", {0, 0, 0, 0}},
    };
    EXPECT_EQ(decodeSavedWindows(encoded(windows)), windows);
    EXPECT_EQ(decodeSavedWindows("[]"), std::vector<SavedWindow>{});
}

TEST(DecodeSavedWindows, AcceptsWhatOtherWritersProduce) {
    const std::vector<SavedWindow> one = {{"a/b", "A", "x/y", {8, 33, 708.5, 859}}};
    const char* forms[] = {
        // unescaped slashes, keys in another order, spaces and new lines
        R"([{"frame":[[8,33],[708.5,859]],"title":"x/y","appName":"A","bundleID":"a/b"}])",
        "[\n  {\n    \"bundleID\" : \"a\\/b\", \"appName\" : \"A\",\n    \"title\" : \"x\\/y\","
        " \"frame\" : [ [ 8.0, 33 ], [ 7.085e2, 859E0 ] ]\n  }\n]\n",
        // unknown keys are ignored
        R"([{"bundleID":"a/b","appName":"A","title":"x/y","frame":[[8,33],[708.5,859]],)"
        R"("screen":2,"extra":{"k":[1,2]}}])",
        // escapes of every kind
        R"([{"bundleID":"\u0061\/b","appName":"\u0041","title":"x\u002fy","frame":[[8,33],[708.5,859]]}])",
    };
    for (const char* form : forms) EXPECT_EQ(decodeSavedWindows(form), one) << form;
}

TEST(DecodeSavedWindows, AnythingElseMakesTheWholeSlotUnreadable) {
    const QByteArray good = R"({"bundleID":"a","appName":"A","title":"t","frame":[[1,2],[3,4]]})";
    auto withFrame = [](const char* frame) {
        return QByteArray(R"([{"bundleID":"a","appName":"A","title":"t","frame":)") + frame + "}]";
    };
    const QByteArray cases[] = {
        "",
        " ",
        "null",
        "{}",
        R"("[]")",
        "42",
        good,  // an object, not an array of them
        "[" + good,
        "[" + good + "]x",
        "[" + good + "] []",
        "[" + good + ",]",
        "[" + good + ",null]",
        "[" + good + ",1]",
        "[" + good + ",[]]",
        "[" + good + R"(,{"bundleID":"b","appName":"B","title":"u"}])",
        R"([{"appName":"A","title":"t","frame":[[1,2],[3,4]]}])",
        R"([{"bundleID":"a","title":"t","frame":[[1,2],[3,4]]}])",
        R"([{"bundleID":"a","appName":"A","frame":[[1,2],[3,4]]}])",
        R"([{"bundleID":null,"appName":"A","title":"t","frame":[[1,2],[3,4]]}])",
        R"([{"bundleID":"a","appName":7,"title":"t","frame":[[1,2],[3,4]]}])",
        R"([{"bundleID":"a","appName":"A","title":["t"],"frame":[[1,2],[3,4]]}])",
        R"([{"bundleID":"a","appName":"A","title":false,"frame":[[1,2],[3,4]]}])",
        withFrame("null"),
        withFrame(R"("[[1,2],[3,4]]")"),
        withFrame("[1,2,3,4]"),
        withFrame("[[1,2]]"),
        withFrame("[[1,2],[3,4],[5,6]]"),
        withFrame("[[1,2],[3]]"),
        withFrame("[[1,2,3],[4,5]]"),
        withFrame("[[1,2],[]]"),
        withFrame(R"({"x":1,"y":2,"width":3,"height":4})"),
        withFrame(R"([{"x":1,"y":2},{"width":3,"height":4}])"),
        withFrame(R"([["1",2],[3,4]])"),
        withFrame("[[1,null],[3,4]]"),
        withFrame("[[1,2],[true,4]]"),
        withFrame("[[1e400,2],[3,4]]"),
        withFrame("[[1,2],[3,-1e999]]"),
        withFrame("[[NaN,2],[3,4]]"),
        withFrame("[[Infinity,2],[3,4]]"),
        withFrame("[[0x10,2],[3,4]]"),
        R"([{"bundleID":"a)" + QByteArray("\xff\xfe") +
            R"(","appName":"A","title":"t","frame":[[1,2],[3,4]]}])",
        QByteArray("\x00\x01\x02[]", 5),
        QByteArray("\xef\xbb\xbf\xff\xd8\xff\xe0 binary"),
        "bplist00\xd1\x01\x02",
        QByteArray(5000, '['),
        QByteArray(5000, '[') + QByteArray(5000, ']'),
    };
    for (const QByteArray& data : cases) {
        EXPECT_EQ(decodeSavedWindows(data), std::nullopt) << data.left(120).toStdString();
    }
}

// With a limit, a longer array is refused as too large whatever its elements hold; anything
// else reads as without one.
TEST(DecodeSavedWindows, RefusesMoreWindowsThanTheLimit) {
    const QByteArray two = encoded({{"a", "A", "x", {0, 0, 1, 1}}, {"b", "B", "y", {0, 0, 2, 2}}});
    const struct {
        QByteArray data;
        size_t limit;
        std::optional<size_t> windows;  // how many decode; nothing = unreadable
        bool tooLarge;
    } cases[] = {
        {two, 2, 2, false},
        {two, 1, std::nullopt, true},
        {two, 0, std::nullopt, true},
        {"[]", 0, 0, false},
        {"[1,2,3]", 2, std::nullopt, true},  // refused on its length, not its contents
        {"[1,2]", 2, std::nullopt, false},   // within the limit: not windows, unreadable
        // Commas and brackets inside strings and nested values are no elements.
        {R"([{"a":"x,]y\",["}, [1,2] ,"\\",3])", 4, std::nullopt, false},
        {R"([{"a":"x,]y\",["}, [1,2] ,"\\",3])", 3, std::nullopt, true},
        {" [ ] ", 0, 0, false},
        {"{\"a\":1}", 0, std::nullopt, false},
        {"[", 0, std::nullopt, false},
    };
    for (const auto& c : cases) {
        bool tooLarge = !c.tooLarge;
        const auto windows = decodeSavedWindows(c.data, c.limit, &tooLarge);
        EXPECT_EQ(windows ? std::optional(windows->size()) : std::nullopt, c.windows)
            << c.data.toStdString() << " " << c.limit;
        EXPECT_EQ(tooLarge, c.tooLarge) << c.data.toStdString() << " " << c.limit;
    }
}

// Every truncation and many single-byte corruptions of a good slot: each either fails to
// decode or decodes to windows with finite frames, and nothing crashes.
TEST(DecodeSavedWindows, SurvivesDamagedData) {
    const QByteArray good = encoded({{"org.a", "A", QString::fromUtf8("dos/tres ñ"), {8, 33, 7, 9}},
                                     {"org.b", "B", "", {-5.5, 0, 1e9, 2}}});
    auto check = [](const QByteArray& data) {
        const auto windows = decodeSavedWindows(data);
        if (!windows) return;
        for (const SavedWindow& w : *windows) {
            EXPECT_TRUE(std::isfinite(w.frame.x) && std::isfinite(w.frame.y) &&
                        std::isfinite(w.frame.width) && std::isfinite(w.frame.height))
                << data.toStdString();
        }
    };
    for (qsizetype n = 0; n < good.size(); ++n) {
        EXPECT_EQ(decodeSavedWindows(good.left(n)), std::nullopt) << n;
        for (const char c : {'\0', '"', '\\', ']', '}', ',', '9', 'e', '\xff', '\x80'}) {
            QByteArray damaged = good;
            damaged[n] = c;
            check(damaged);
        }
    }
}

}  // namespace
}  // namespace quenda
