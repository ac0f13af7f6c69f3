#include "gui/common/resources.h"

#include <QFont>
#include <QFontDatabase>

// Resources compiled into a static library must be registered by name, outside any namespace.
static void RegisterIconResources() {
    Q_INIT_RESOURCE(pm514rx);
}

namespace pm {

void EnsureAppResources() {
    static const bool done = [] {
        RegisterIconResources();
        // The full-width comma and colon of our texts, for desktops without a font that has them.
        QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/pm514rx-fullwidth.ttf"));
        // Liberation Serif has the metrics of Times New Roman; the forms are laid out for those.
        if (!QFontDatabase::hasFamily(QStringLiteral("Times New Roman"))) {
            QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
        }
        return true;
    }();
    (void)done;
}

QIcon AppIcon(const QString& name) {
    EnsureAppResources();
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(name));
}

}  // namespace pm
