#include "gui/app/recent_files.h"

#include <QFileInfo>
#include <QSettings>

#include "gui/app/settings.h"

namespace pm {
namespace {

const QString kGroup = QStringLiteral("Recent File List");

QString KeyOf(int index) {
    return QStringLiteral("File%1").arg(index + 1);
}

// Two spellings of one file must not take two places in a list of four.
QString Canonical(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

}  // namespace

void RecentFileList::Load() {
    loaded_ = true;
    entries_.clear();
    QSettings settings = UserSettings();
    settings.beginGroup(kGroup);
    for (int i = 0; i < kSize; ++i) {
        const QString path = settings.value(KeyOf(i)).toString();
        if (!path.isEmpty() && !entries_.contains(path)) entries_.append(path);
    }
}

void RecentFileList::Add(const QString& path) {
    const QString canonical = Canonical(path);
    entries_.removeIf([&](const QString& entry) { return Canonical(entry) == canonical; });
    entries_.prepend(canonical);
    while (entries_.size() > kSize) entries_.removeLast();
    Store();
}

void RecentFileList::Remove(int index) {
    if (index < 0 || index >= entries_.size()) return;
    entries_.removeAt(index);
    Store();
}

void RecentFileList::Store() const {
    if (!loaded_) return;
    QSettings settings = UserSettings();
    settings.beginGroup(kGroup);
    for (int i = 0; i < kSize; ++i) {
        if (i < entries_.size()) {
            settings.setValue(KeyOf(i), entries_.at(i));
        } else {
            settings.remove(KeyOf(i));
        }
    }
}

}  // namespace pm
