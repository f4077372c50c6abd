#include "PresenterRig.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QWidget>

#include "CCameraModel.h"
#include "CCameraPresenter.h"
#include "RecordingView.h"
#include "qelvirtual.h"

QString cameraProfile(const QString& name, int type, int width, int height, const QString& extra) {
    return QStringLiteral(R"({"name": "%1", "streams": [ { "formats": [
        { "type": %2, "sizes": [[%3,%4]], "fps": [30] } ] } ] %5})")
        .arg(name)
        .arg(type)
        .arg(width)
        .arg(height)
        .arg(extra);
}

void PresenterRig::create(int count) {
    qelvirtual_reset();
    streams = count;
    for (int s = 0; s < streams; ++s) {
        windows[s] = new QWidget;
        windows[s]->resize(320, 180);
        windows[s]->show();
        views[s] = new RecordingView(s);
        views[s]->windowHandle = windows[s]->winId();
        views[s]->windowWidth = 320;
        views[s]->windowHeight = 180;
    }
    presenter = new CCameraPresenter(views[0]);
    for (int s = 0; s < streams; ++s) {
        views[s]->presenter = presenter;
        presenter->RegisterView(s, views[s]);
    }
}

void PresenterRig::destroy() {
    delete presenter;
    presenter = nullptr;
    for (int s = 0; s < streams; ++s) {
        delete views[s];
        delete windows[s];
        views[s] = nullptr;
        windows[s] = nullptr;
    }
    streams = 0;
    qelvirtual_reset();
}

int PresenterRig::startCamera(const QString& json, bool preview) {
    const int handle = qelvirtual_add_camera(json.toUtf8().constData());
    if (handle <= 0) {
        qWarning("profile refused: %s", qPrintable(json));
        return 0;
    }
    views[0]->openName = QJsonDocument::fromJson(json.toUtf8()).object().value("name").toString();
    if (!presenter->Init() || !presenter->Model()->IsOpen()) {
        qWarning("camera not opened: %s", qPrintable(json));
        return 0;
    }
    if (preview && (!presenter->StartPreview() || !views[0]->waitFor(QStringLiteral("SetVideoInfo(0,")))) {
        qWarning("no preview of %s", qPrintable(json));
        return 0;
    }
    return handle;
}
