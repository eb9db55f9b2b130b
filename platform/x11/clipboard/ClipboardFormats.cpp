#include "platform/x11/clipboard/ClipboardFormats.h"

#include <algorithm>
#include <cstring>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QStringDecoder>
#include <QSysInfo>

namespace quenda::x11::clipboard {

namespace {

// A decoder that flags bad bytes instead of replacing them.
bool strictUtf8(const QByteArray& bytes, QString* out) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return false;
    *out = std::move(text);
    return true;
}

std::optional<QString> localPath(QByteArray uri) {
    uri = uri.trimmed();
    static const QByteArray kScheme = "file://";
    if (uri.size() <= kScheme.size() || !uri.startsWith(kScheme)) return std::nullopt;
    uri.remove(0, kScheme.size());
    // A query or fragment ends the path; in a file URI they name nothing.
    const qsizetype end = std::min(uri.contains('?') ? uri.indexOf('?') : uri.size(),
                                   uri.contains('#') ? uri.indexOf('#') : uri.size());
    uri.truncate(end);
    const qsizetype slash = uri.indexOf('/');
    if (slash < 0) return std::nullopt;
    const QByteArray host = uri.left(slash);
    if (!host.isEmpty() && host != "localhost" &&
        QString::fromLatin1(host).compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    const QByteArray path = QByteArray::fromPercentEncoding(uri.mid(slash));
    if (path.contains('\0')) return std::nullopt;
    QString decoded;
    if (!strictUtf8(path, &decoded)) return std::nullopt;
    return decoded;
}

std::vector<QString> filesFromLines(const QList<QByteArray>& lines) {
    std::vector<QString> files;
    for (const QByteArray& line : lines) {
        if (line.startsWith('#')) continue;
        if (auto path = localPath(line)) files.push_back(*path);
    }
    return files;
}

// Walks the chunks of a PNG file: a signature, IHDR first, IEND last, each within the bytes.
bool wholePng(const QByteArray& bytes) {
    static const char kSignature[] = "\x89PNG\r\n\x1a\n";
    if (bytes.size() < 8 + 12 * 2 || std::memcmp(bytes.constData(), kSignature, 8) != 0)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype at = 8;
    bool first = true;
    while (at + 12 <= size) {
        const quint64 length = (quint64(p[at]) << 24) | (quint64(p[at + 1]) << 16) |
                               (quint64(p[at + 2]) << 8) | p[at + 3];
        const QByteArray type(bytes.constData() + at + 4, 4);
        if (first && type != "IHDR") return false;
        first = false;
        if (quint64(size - at - 12) < length) return false;
        at += 12 + qsizetype(length);
        if (type == "IEND") return true;
    }
    return false;
}

QByteArray encodePng(const QImage& image) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return {};
    return png;
}

}  // namespace

bool isTransportTarget(const QString& name) {
    static const QStringList kTransport = {
        "TARGETS",         "MULTIPLE",      "TIMESTAMP",
        "SAVE_TARGETS",    "DELETE",        "INSERT_SELECTION",
        "INSERT_PROPERTY", "INCR",          "LENGTH",
        "LIST_LENGTH",     "CLIENT_WINDOW", "HOST_NAME",
        "IP_ADDRESS",      "USER",          "OWNER_OS",
        "PROCESS",         "TASK",          "NAME",
        "CLASS",           "ATOM_PAIR",
    };
    return kTransport.contains(name);
}

std::vector<QString> filesFromUriList(const QByteArray& body) {
    return filesFromLines(body.split('\n'));
}

std::vector<QString> filesFromGnomeCopiedFiles(const QByteArray& body) {
    QList<QByteArray> lines = body.split('\n');
    if (lines.isEmpty()) return {};
    const QByteArray verb = lines.takeFirst().trimmed();
    if (verb != "copy" && verb != "cut") return {};
    return filesFromLines(lines);
}

QByteArray fileUri(const QString& path) {
    return "file://" + QFile::encodeName(path).toPercentEncoding("/");
}

QByteArray uriList(const std::vector<QString>& paths) {
    QByteArray body;
    for (const QString& path : paths) body += fileUri(path) + "\r\n";
    return body;
}

QByteArray gnomeCopiedFiles(const std::vector<QString>& paths) {
    QByteArray body = "copy";
    for (const QString& path : paths) body += '\n' + fileUri(path);
    return body;
}

namespace {

// How much of `bytes` ends on a character boundary: all of it, unless it ends inside a UTF-8
// sequence whose lead byte promises more bytes than follow it.
qsizetype wholeCharacters(const QByteArray& bytes) {
    const qsizetype size = bytes.size();
    for (qsizetype back = 1; back <= std::min<qsizetype>(3, size); ++back) {
        const auto byte = uchar(bytes[size - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const int length = byte >= 0xF0 && byte <= 0xF4  ? 4
                           : byte >= 0xE0 && byte < 0xF0 ? 3
                           : byte >= 0xC2 && byte < 0xE0 ? 2
                                                         : 1;
        return length > back ? size - back : size;
    }
    return size;
}

}  // namespace

TextCollector::TextCollector(Encoding encoding, int maxLength)
    : encoding_(encoding), maxLength_(std::max(0, maxLength)) {}

void TextCollector::append(const char* data, size_t size) {
    if (full()) return;
    if (encoding_ == Encoding::Latin1) {
        add(QString::fromLatin1(data, qsizetype(size)));
        return;
    }
    pending_.append(data, qsizetype(size));
    const qsizetype whole = wholeCharacters(pending_);
    add(QString::fromUtf8(pending_.constData(), whole));
    pending_.remove(0, whole);
}

void TextCollector::add(const QString& piece) {
    if (blank_) blank_ = piece.trimmed().isEmpty();
    if (full_) return;
    const qsizetype room = maxLength_ - text_.size();
    if (piece.size() < room) {
        text_ += piece;
        return;
    }
    qsizetype keep = room;
    if (keep > 0 && piece.at(keep - 1).isHighSurrogate()) --keep;
    text_ += QStringView(piece).left(keep);
    full_ = true;
}

void TextCollector::finish() {
    if (pending_.isEmpty()) return;
    // A character cut short by the end of the text: replacement characters, as in one go.
    if (!full()) add(QString::fromUtf8(pending_));
    pending_.clear();
}

QString TextCollector::take() {
    finish();
    return std::move(text_);
}

std::optional<QByteArray> pngFromPng(const QByteArray& bytes) {
    if (!wholePng(bytes)) return std::nullopt;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    if (!reader.canRead() || reader.size().isEmpty()) return std::nullopt;
    return bytes;
}

bool isConvertibleImageType(const QString& mimeType) {
    if (!mimeType.startsWith("image/") || mimeType == "image/png") return false;
    static const QList<QByteArray> supported = QImageReader::supportedMimeTypes();
    return supported.contains(mimeType.toLatin1());
}

std::optional<QByteArray> pngFromImage(const QByteArray& bytes) {
    if (bytes.isEmpty()) return std::nullopt;
    QImage image;
    if (!image.loadFromData(bytes) || image.isNull()) return std::nullopt;
    QByteArray png = encodePng(image);
    if (png.isEmpty()) return std::nullopt;
    return png;
}

}  // namespace quenda::x11::clipboard
