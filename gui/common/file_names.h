#pragma once
// File names as the system has them: bytes. A name that is not UTF-8 still opens and saves, because its
// text form gives back the very bytes it came from.

#include <QByteArray>
#include <QString>
#include <string>

namespace pm {

/** The text of a file name's bytes; a byte that starts no UTF-8 character is kept as U+DC80..U+DCFF. */
[[nodiscard]] QString FileNameFromBytes(const QByteArray& bytes);

/** The bytes a name made by FileNameFromBytes (or typed in a dialog) stands for. */
[[nodiscard]] std::string FileNameBytes(const QString& name);

}  // namespace pm
