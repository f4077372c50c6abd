#include "LastCamera.h"

#include <QLoggingCategory>
#include <QSettings>

Q_LOGGING_CATEGORY(lcLastCamera, "corvix.settings", QtWarningMsg)

namespace {
const char kKey[] = "camera/name";
// GUI thread only. Set when this run found the file damaged: Qt reports that only on the read
// that parsed it, and writing would replace the user's file with one holding this key alone.
bool s_settingsDamaged = false;
}  // namespace

QString LastCamera::rememberedName() {
    QSettings settings("Corvix", "Corvix");
    if (settings.status() != QSettings::NoError) {
        s_settingsDamaged = true;
        qCWarning(lcLastCamera) << "The settings file" << settings.fileName()
                                << "cannot be read; starting with the defaults";
        return QString();
    }
    return settings.value(kKey).toString();
}

void LastCamera::remember(const QString& name) {
    if (name.isEmpty() || s_settingsDamaged) {
        return;
    }
    QSettings settings("Corvix", "Corvix");
    if (settings.status() != QSettings::NoError) {
        s_settingsDamaged = true;
        return;
    }
    if (settings.value(kKey).toString() != name) {
        settings.setValue(kKey, name);
    }
}
