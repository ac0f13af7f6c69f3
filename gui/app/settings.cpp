#include "gui/app/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/texts.h"

namespace pm {

QSettings UserSettings() {
    return QSettings(QString::fromLatin1(kSettingsName), QString::fromLatin1(kSettingsName));
}

void MoveOldSettings() {
    QSettings old(QStringLiteral("Local AppWizard-Generated Applications"),
                  QString::fromUtf8(kAppTitle.data(), static_cast<qsizetype>(kAppTitle.size())));
    QSettings current = UserSettings();
    if (!QFileInfo(old.fileName()).isFile() || !current.allKeys().isEmpty()) return;
    for (const QString& key : old.allKeys()) current.setValue(key, old.value(key));
    current.sync();
    if (current.status() != QSettings::NoError) return;
    QFile::remove(old.fileName());
    QDir().rmdir(
        QFileInfo(old.fileName()).path());  // the old organisation's folder, when nothing else is in it
}

}  // namespace pm
