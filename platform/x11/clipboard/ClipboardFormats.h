#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

// How copies are spelled on X11: the names of the targets, file lists as URI lists, texts in
// their encodings and images as PNG. No X request here: the selection machinery hands bytes
// in and takes bytes out.
namespace quenda::x11::clipboard {

// Targets that describe the transfer rather than the copy (TARGETS, MULTIPLE, TIMESTAMP...).
bool isTransportTarget(const QString& name);

// Local file paths of a `text/uri-list` (CRLF or LF lines, `#` comments) or of an
// `x-special/gnome-copied-files` body ("copy" or "cut", then one URI a line), in order.
// Only `file://` URIs of this machine whose percent-decoded path is valid UTF-8 are kept.
std::vector<QString> filesFromUriList(const QByteArray& body);
std::vector<QString> filesFromGnomeCopiedFiles(const QByteArray& body);

// The `file://` URI of a local path, percent-encoded.
QByteArray fileUri(const QString& path);
// "file:///a%20b\r\nfile:///c\r\n".
QByteArray uriList(const std::vector<QString>& paths);
// "copy\nfile:///a%20b\nfile:///c".
QByteArray gnomeCopiedFiles(const std::vector<QString>& paths);

// A text that arrives in pieces: keeps its first `maxLength` UTF-16 units (never half of a
// surrogate pair) and drops the rest as it comes, remembering only whether the whole of it
// held anything besides white space.
class TextCollector {
  public:
    enum class Encoding { Utf8, Latin1 };
    TextCollector(Encoding encoding, int maxLength);

    void append(const char* data, size_t size);
    // The text has ended: a character cut short at its end reads as one replacement character,
    // as it does when the whole text is decoded at once, so a text is never blank because its
    // last bytes were left undecoded. `take` does it too.
    void finish();
    // Everything kept, and not more is needed (the rest only matters for blankness).
    bool full() const { return full_ && !blank_; }
    bool blank() const { return blank_; }
    QString take();

  private:
    void add(const QString& piece);

    // The bytes of a UTF-8 character that the next piece completes. Each piece is decoded up
    // to its last whole character, so the text reads as it does decoded in one go (Qt's
    // stateful decoder loses the byte after a character cut short at a piece's end).
    QByteArray pending_;
    Encoding encoding_;
    int maxLength_;
    QString text_;
    bool full_ = false;
    bool blank_ = true;
};

// The PNG image of `bytes`: PNG bytes as they are when they hold a whole PNG image; another
// image format, converted. Nothing when the bytes are no image.
std::optional<QByteArray> pngFromPng(const QByteArray& bytes);
std::optional<QByteArray> pngFromImage(const QByteArray& bytes);
// Whether images of this MIME type can be converted.
bool isConvertibleImageType(const QString& mimeType);

}  // namespace quenda::x11::clipboard
