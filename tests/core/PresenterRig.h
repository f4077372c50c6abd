// A presenter with one recording view per stream, each offering a real 320x180 native window
// to the renderer, for tests that run the preview.
#ifndef CORVIX_TESTS_PRESENTER_RIG_H
#define CORVIX_TESTS_PRESENTER_RIG_H

#include <QString>

class CCameraPresenter;
class QWidget;
class RecordingView;

// A one-stream camera profile offering one format, one size and 30 fps; `extra` is added to the
// profile's fields (", \"still\": [...]").
QString cameraProfile(const QString& name, int type, int width = 320, int height = 180,
                      const QString& extra = QString());

struct PresenterRig {
    static constexpr int kMaxStreams = 3;

    // Resets the virtual cameras, then creates `streams` windows and views (view 0 is the main
    // view) and the presenter.
    void create(int streams);
    // Deletes the presenter first (it stops the preview), then the views and windows; resets the
    // virtual cameras.
    void destroy();
    // Adds the camera, initialises the presenter (view 0 opens the camera of the profile's name)
    // and, with `preview`, waits for the first frame. Returns the camera's handle, 0 on a failure.
    int startCamera(const QString& json, bool preview = true);

    int streams = 0;
    QWidget* windows[kMaxStreams] = {};
    RecordingView* views[kMaxStreams] = {};
    CCameraPresenter* presenter = nullptr;
};

#endif
