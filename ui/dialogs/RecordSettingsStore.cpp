#include "RecordSettingsStore.h"

#include <QSettings>

#include "CameraController.h"

namespace {

constexpr int kDefaultMinutes = 10;

}  // namespace

bool RecordSettingsStore::isOfferedMinutes(int minutes) {
    return minutes == 1 || minutes == 5 || minutes == 10 || minutes == 15 || minutes == 30;
}

void RecordSettingsStore::restore(CameraController* controller) {
    controller->setRecordMinutes(minutes());
    controller->setRecordKeepAudio(keepAudio());
    controller->setAudioInputName(microphone());
}

int RecordSettingsStore::minutes() {
    bool ok = false;
    const int m = QSettings("Corvix", "Corvix").value("record/minutes", kDefaultMinutes).toInt(&ok);
    return ok && isOfferedMinutes(m) ? m : kDefaultMinutes;
}

bool RecordSettingsStore::keepAudio() {
    const QVariant v = QSettings("Corvix", "Corvix").value("record/keepAudio", true);
    const QString text = v.toString().toLower();
    // Anything but a clear "off" keeps the default.
    return !(text == "false" || text == "0");
}

QString RecordSettingsStore::microphone() {
    return QSettings("Corvix", "Corvix").value("record/microphone").toString();
}

void RecordSettingsStore::saveMinutes(int minutes) {
    QSettings("Corvix", "Corvix").setValue("record/minutes", minutes);
}

void RecordSettingsStore::saveKeepAudio(bool keep) {
    QSettings("Corvix", "Corvix").setValue("record/keepAudio", keep);
}

void RecordSettingsStore::saveMicrophone(const QString& name) {
    QSettings settings("Corvix", "Corvix");
    if (name.isEmpty()) {
        settings.remove("record/microphone");
    } else {
        settings.setValue("record/microphone", name);
    }
}
