// A presenter with one recording view per stream, each offering a real 320x180 native window
// to the renderer, for tests that run the preview.
#ifndef CORVIX_TESTS_PRESENTER_RIG_H
#define CORVIX_TESTS_PRESENTER_RIG_H

class CCameraPresenter;
class QWidget;
class RecordingView;

struct PresenterRig {
    static constexpr int kMaxStreams = 3;

    // Creates `streams` windows and views (view 0 is the main view) and the presenter.
    void create(int streams);
    // Deletes the presenter first (it stops the preview), then the views and windows.
    void destroy();

    int streams = 0;
    QWidget* windows[kMaxStreams] = {};
    RecordingView* views[kMaxStreams] = {};
    CCameraPresenter* presenter = nullptr;
};

#endif
