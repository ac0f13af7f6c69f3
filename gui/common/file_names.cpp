#include "gui/common/file_names.h"

#include <cstdint>

namespace pm {
namespace {

constexpr char16_t kEscaped = 0xDC00;  // + the byte, 0x80..0xFF: a low surrogate no text has alone

/** Length of the well-formed UTF-8 sequence at bytes[i], or 0. */
qsizetype SequenceAt(const QByteArray& bytes, qsizetype i) {
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    qsizetype length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) return 0;
    for (qsizetype k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

QString FileNameFromBytes(const QByteArray& bytes) {
    QString name;
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype n = SequenceAt(bytes, i);
        if (n == 0) {
            name += QChar(static_cast<char16_t>(kEscaped + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + i, n);
        i += n;
    }
    return name;
}

std::string FileNameBytes(const QString& name) {
    std::string bytes;
    qsizetype plain = 0;  // start of the text not yet turned into bytes
    const auto flush = [&](qsizetype end) {
        bytes += name.mid(plain, end - plain).toStdString();
        plain = end;
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool alone = i == 0 || !name[i - 1].isHighSurrogate();
        if (c >= kEscaped + 0x80 && c <= kEscaped + 0xFF && alone) {
            flush(i);
            bytes += static_cast<char>(c - kEscaped);
            plain = i + 1;
        }
    }
    flush(name.size());
    return bytes;
}

}  // namespace pm
