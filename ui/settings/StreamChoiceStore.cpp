#include "StreamChoiceStore.h"

#include <QLoggingCategory>
#include <QSettings>
#include <QUrl>

Q_LOGGING_CATEGORY(lcStreamChoices, "corvix.streamchoices", QtWarningMsg)

namespace {
constexpr int kStreams = 3;
// GUI thread only. Qt tells a damaged file only to the first reader of the run; once seen, this
// run writes nothing, so that the user's file is not replaced by one holding these keys alone.
bool s_storeDamaged = false;

// A number from the store, or 0 for anything else (a damaged entry).
int storedNumber(const QVariant& value) {
    bool ok = false;
    const int n = value.toString().toInt(&ok);
    return ok && n > 0 ? n : 0;
}
}  // namespace

QString StreamChoiceStore::cameraGroup(const QString& camera) {
    return QStringLiteral("streams/") + QString::fromLatin1(QUrl::toPercentEncoding(camera));
}

QMap<int, StreamChoice> StreamChoiceStore::load(const QString& camera) {
    QMap<int, StreamChoice> choices;
    if (camera.isEmpty()) {
        return choices;
    }
    QSettings settings("Corvix", "Corvix");
    if (settings.status() != QSettings::NoError) {
        s_storeDamaged = true;
        qCWarning(lcStreamChoices) << "settings store unreadable; stream choices at the camera's defaults";
        return choices;
    }
    settings.beginGroup(cameraGroup(camera));
    for (int s = 0; s < kStreams; ++s) {
        settings.beginGroup(QString::number(s));
        StreamChoice c;
        c.media = settings.value("media").toString();
        c.resolution = settings.value("resolution").toString();
        c.fps = settings.value("fps").toString();
        c.bitrate = storedNumber(settings.value("bitrate"));
        c.gop = storedNumber(settings.value("gop"));
        settings.endGroup();
        if (!c.isEmpty()) {
            choices.insert(s, c);
        }
    }
    settings.endGroup();
    return choices;
}

void StreamChoiceStore::save(const QString& camera, int stream, const StreamChoice& choice) {
    if (camera.isEmpty() || stream < 0 || stream >= kStreams || choice.isEmpty() || s_storeDamaged) {
        return;
    }
    QSettings settings("Corvix", "Corvix");
    if (settings.status() != QSettings::NoError) {
        // Left as it is: the user may want it back; this run forgets.
        s_storeDamaged = true;
        qCWarning(lcStreamChoices) << "settings store unreadable; stream choices not saved";
        return;
    }
    settings.beginGroup(cameraGroup(camera) + '/' + QString::number(stream));
    settings.setValue("media", choice.media);
    settings.setValue("resolution", choice.resolution);
    settings.setValue("fps", choice.fps);
    settings.setValue("bitrate", choice.bitrate);
    settings.setValue("gop", choice.gop);
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        qCWarning(lcStreamChoices) << "stream choices not saved:" << settings.fileName();
    }
}
