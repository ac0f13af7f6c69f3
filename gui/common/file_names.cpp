#include "gui/common/file_names.h"

#include <cstdint>
#include <string_view>

#include "core/image/file_access.h"

namespace pm {
namespace {

constexpr char16_t kEscaped = 0xDC00;  // + the byte, 0x80..0xFF: a low surrogate no text has alone

/** Length of the well-formed UTF-8 sequence at bytes[i], or 0. */
qsizetype SequenceAt(const QByteArray& bytes, qsizetype i) {
    std::uint32_t code = 0;
    return static_cast<qsizetype>(
        Utf8SequenceAt(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                       static_cast<std::size_t>(i), code));
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
