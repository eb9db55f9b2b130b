#include "platform/sim/SimPasteboard.h"

#include <algorithm>

namespace quenda {

namespace {
bool isBlank(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

QString firstCharacters(const QString& text, int count) {
    if (count < 0 || text.size() <= count) return text;
    // A cut between the halves of a surrogate pair would leave half a character.
    if (count > 0 && text.at(count - 1).isHighSurrogate()) --count;
    return text.left(count);
}
}  // namespace

void SimPasteboard::offer(PasteboardContent content) {
    content.changeCount = current_.changeCount + 1;
    current_ = std::move(content);
    if (changed_) changed_();
}

void SimPasteboard::copy(PasteboardContent content) {
    ours_ = false;
    offer(std::move(content));
}

void SimPasteboard::clear() {
    ours_ = false;
    offer({});
}

void SimPasteboard::read(const PasteboardRead& what, std::function<void(PasteboardContent)> done) {
    ++reads_;
    PasteboardContent answer;
    answer.changeCount = current_.changeCount;
    if (what.selection) {
        const bool owned = !what.selectionOwner || *what.selectionOwner == selectionOwner_;
        if (what.text && owned && selection_ && !isBlank(*selection_))
            answer.text = firstCharacters(*selection_, what.maxTextLength);
        done(std::move(answer));
        return;
    }
    answer.types = current_.types;
    const bool concealed = std::any_of(what.privateTypes.begin(), what.privateTypes.end(),
                                       [&](const QString& t) { return answer.types.contains(t); });
    if (!concealed) {
        if (what.files && !current_.files.empty()) {
            answer.files = current_.files;
        } else if (what.text && current_.text && !isBlank(*current_.text)) {
            answer.text = firstCharacters(*current_.text, what.maxTextLength);
        } else if (what.image && current_.png && !current_.png->isEmpty()) {
            answer.png = current_.png;
        }
    }
    done(std::move(answer));
}

void SimPasteboard::writeText(const QString& text, bool alsoSelection) {
    ours_ = true;
    if (alsoSelection) select(text);
    PasteboardContent content;
    content.types = QStringList{QStringLiteral("text/plain;charset=utf-8")};
    content.text = text;
    offer(std::move(content));
}

void SimPasteboard::writeImage(const QByteArray& png) {
    ours_ = true;
    PasteboardContent content;
    content.types = QStringList{QStringLiteral("image/png")};
    content.png = png;
    offer(std::move(content));
}

void SimPasteboard::writeFiles(const std::vector<QString>& paths) {
    ours_ = true;
    PasteboardContent content;
    content.types = QStringList{QStringLiteral("text/uri-list"),
                                QStringLiteral("x-special/gnome-copied-files")};
    content.files = paths;
    offer(std::move(content));
}

}  // namespace quenda
