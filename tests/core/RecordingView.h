// A camera view that writes down every report it receives, as "Operation(arg,arg,...)".
// Lists are written as [a|b|c]. Reports may arrive on library threads.
#ifndef CORVIX_TESTS_RECORDING_VIEW_H
#define CORVIX_TESTS_RECORDING_VIEW_H

#include <QMutex>
#include <QStringList>

#include "ICameraView.h"

class ICameraPresenter;

// The reports with one argument, recorded as they come.
// clang-format off
#define RECORDING_VIEW_SIMPLE_REPORTS(X)                                                                 \
    X(EnableStillCapture, bool) X(EnableFlip, bool) X(SetFlip, bool) X(EnableMirror, bool)              \
    X(SetMirror, bool) X(EnableFaceTracking, bool) X(CheckFaceTracking, bool)                           \
    X(EnableSoundTracking, bool) X(CheckSoundTracking, bool) X(EnableDeviceInfo, bool)                  \
    X(EnablePip, bool) X(CheckPip, bool) X(EnableHideMode, bool) X(CheckHideMode, bool)                 \
    X(EnableDoaTest, bool) X(CheckDoaTest, bool) X(EnableSensor, bool) X(EnableNonStitching, bool)      \
    X(CheckNonStitching, bool) X(EnableFrequency, bool)                                                 \
    X(SetCurrentSensor, int) X(CheckHandGesture, int) X(CheckCanvas, int) X(CheckSub1Ai, int)           \
    X(CheckMosaic, int) X(SetAutoFocusMode, int) X(CheckAutoFocus, int) X(SetSliderPos, int)            \
    X(SetProgressVolume, int) X(SetFrequency, int) X(SetCameraState, int)                               \
    X(SetDeviceMID, const QString&) X(SetDeviceFWVersion, const QString&)                               \
    X(SetDeviceSDKVersion, const QString&) X(SetDeviceName, const QString&)                             \
    X(SetDevicePIDVID, const QString&) X(ShowMessage, const QString&)                                   \
    X(SetSensorList, const QStringList&) X(AcousticBaffle, const QStringList&)                          \
    X(PuCtPropertyList, const QStringList&)
// clang-format on

class RecordingView : public ICameraView {
public:
    explicit RecordingView(int stream = 0) : m_stream(stream) {}

    // Like the video widget: a camera list opens camera `openIndex`, a stream count selects the
    // stream mode. Either can be switched off.
    ICameraPresenter* presenter = nullptr;
    bool openOnCameraList = true;
    int openIndex = 0;
    QString openName;  // when set, the first camera of this name is opened instead
    bool chooseStreamMode = true;
    // The native window offered for this view's stream (0: none).
    quintptr windowHandle = 0;
    int windowWidth = 0;
    int windowHeight = 0;

    QStringList reports() const;
    QStringList take();
    void clear();
    // Reports starting with prefix.
    QStringList matching(const QString& prefix) const;
    QString last(const QString& prefix) const;
    // Polls until a report starting with prefix exists (reports arrive on library threads).
    bool waitFor(const QString& prefix, int timeoutMs = 5000) const;

    bool SetCameraList(const QStringList& names) override;
    void SetStreamCount(int count) override;
    void GetPreviewObject(int stream, quintptr& handle, int& width, int& height) override;
    void ShowRefusal(CameraRefusal refusal, const QString& path, int error) override;
    void MediaTypeListReady(int s, const QStringList& l, int d) override {
        log("MediaTypeListReady", s, l, d);
    }
    void ResolutionListReady(int s, const QStringList& l, int d) override {
        log("ResolutionListReady", s, l, d);
    }
    void FPSListReady(int s, const QStringList& l, int d) override { log("FPSListReady", s, l, d); }
    void StillMediaTypeListReady(const QStringList& l, int d) override {
        log("StillMediaTypeListReady", l, d);
    }
    void StillResolutionListReady(const QStringList& l, int d) override {
        log("StillResolutionListReady", l, d);
    }
    void StillFPSListReady(const QStringList& l, int d) override { log("StillFPSListReady", l, d); }
    void SetAudioList(const QStringList& names, int d) override { log("SetAudioList", names, d); }
    void EnableFps(int s, bool e) override { log("EnableFps", s, e); }
    void EnableBps(int s, bool e) override { log("EnableBps", s, e); }
    void EnableGop(int s, bool e) override { log("EnableGop", s, e); }
    void EnableHandGesture(const int* v, int n) override { log("EnableHandGesture", values(v, n), n); }
    void EnableCanvas(const int* v, int n) override { log("EnableCanvas", values(v, n), n); }
    void EnableSub1Ai(const int* v, int n) override { log("EnableSub1Ai", values(v, n), n); }
    void EnableMosaic(const int* v, int n) override { log("EnableMosaic", values(v, n), n); }
    void EnableAudioMode(bool e, bool e1) override { log("EnableAudioMode", e, e1); }
    void SetAudioMode(int on, int on1, int id) override { log("SetAudioMode", on, on1, id); }
    void SetVideoInfo(int s, const QString& t) override { log("SetVideoInfo", s, t); }
    void InitSlider(bool e, int min, int max, int step, int value, bool as, bool am) override {
        log("InitSlider", e, min, max, step, value, as, am);
    }
    void UpdateCameraList(const QStringList& names, bool lost) override {
        log("UpdateCameraList", names, lost);
    }
    void PhotoFinished(const QString& path, int error) override { log("PhotoFinished", path, error); }
    void RecordingFailed(const QString& path, int error, qint64 keptMs) override {
        log("RecordingFailed", path, error, keptMs);
    }

private:
    static QString text(bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); }
    static QString text(int v) { return QString::number(v); }
    static QString text(qint64 v) { return QString::number(v); }
    static QString text(const QString& v) { return v; }
    static QString text(const QStringList& items) { return '[' + items.join('|') + ']'; }
    static QStringList values(const int* v, int count);
    void log(const QString& report);
    template <typename... Args>
    void log(const char* name, const Args&... args) {
        log(QLatin1String(name) + '(' + QStringList{text(args)...}.join(',') + ')');
    }

    int m_stream;
    mutable QMutex m_mutex;
    QStringList m_reports;

public:
#define RECORDING_VIEW_REPORT(name, type) \
    void name(type value) override {      \
        log(#name, value);                \
    }
    RECORDING_VIEW_SIMPLE_REPORTS(RECORDING_VIEW_REPORT)
#undef RECORDING_VIEW_REPORT
};

#endif
