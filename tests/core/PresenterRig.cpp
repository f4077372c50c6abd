#include "PresenterRig.h"

#include <QWidget>

#include "CCameraPresenter.h"
#include "RecordingView.h"

void PresenterRig::create(int count) {
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
}
