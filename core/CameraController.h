#ifndef CORVIX_CAMERA_CONTROLLER_H
#define CORVIX_CAMERA_CONTROLLER_H

#include <QObject>
#include <QString>
#include <QStringList>

// The settings mediator. Camera reports emitted by the main video widget come in through the
// slots and go out again under the mediator's own signals for the settings screens and dialogs;
// requests from those screens come in through the on... slots and go out as request signals that
// the main window connects to the video widget. It also holds the recording limit and the save folder.
class CameraController : public QObject {
    Q_OBJECT

public:
    // Property ids below this belong to the image settings; the rest to the camera control.
    static constexpr int kImagePropertyCount = 12;

    explicit CameraController(QObject* parent = nullptr);
    ~CameraController() override;

    void setRecordMinutes(int minutes);
    int recordMinutes() const { return m_nRecordMinutes; }
    void setRecordOutputDir(const QString& dir);
    QString recordOutputDir() const { return m_strRecordOutputDir; }

    QStringList imagePropertyList() const { return m_imagePropertyList; }
    QStringList controlPropertyList() const { return m_controlPropertyList; }
    QStringList audioList() const { return m_audioList; }
    int defaultAudioIndex() const { return m_nDefaultAudio; }

    // The save folder used until the device page chooses another: the user's documents folder
    // followed by "/Corvix".
    static QString defaultSaveFolder();

    // Whether recordings carry the microphone's sound (on at start).
    void setRecordKeepAudio(bool keep);
    bool recordKeepAudio() const { return m_bRecordKeepAudio; }
    // The microphone chosen by name; empty or no longer listed means the default one.
    void setAudioInputName(const QString& name);
    QString audioInputName() const { return m_strAudioInputName; }
    // The listed microphone the name resolves to (-1 before any list).
    int audioInputIndex() const { return m_nAudioInput; }
    void startAudioTest();
    void stopAudioTest();
    bool isAudioTestRunning() const { return m_bAudioTestRunning; }

signals:
    void sigRecordMinutesChanged(int minutes);
    void sigEnableFrequency(bool bEnable);
    void sigSetFrequency(int index);
    void sigEnableAudioMode(bool bEnable, bool bEnable1);
    void sigAcousticBaffle(QStringList acousticBaffleList);
    void sigSetAudioMode(int on, int on1, int id);
    void sigPuCtPropertyList(QStringList puCtPropertyList);
    void sigPuCtPropertyTypeChanged(int type);
    void sigInitSlider(int type, bool bEnable, int nMin, int nMax, int nStep, int nValue, bool bIsSupportAuto,
                       bool bDefaultAuto);
    void sigSetSliderPos(int nValue);
    void sigCtlPuCtPropertyList(QStringList list);
    void sigCtlInitSlider(int type, bool bEnable, int min, int max, int step, int value, bool bIsSupportAuto,
                          bool bDefaultAuto);
    // Declared for the camera control dialog; the mediator itself never emits them.
    void sigCtlEnableSlider(int type, bool enable);
    void sigCtlEnableSliderAuto(int type, bool enable);
    void sigUpdateVideoWidgetProperty(int type, int value);
    void sigUpdateVideoWidgetPropertyAuto(int type, bool bIsAuto);
    void sigUpdateFrequency(int index);
    void sigAudioList(QStringList audios, int nDefaultSel);
    void sigRecordOutputDirChanged(QString dir);
    void sigShowOverlayInfo(bool show);
    void sigShowDataWater(bool show);
    void sigShowDelayCapture(bool show);
    void sigShowScanCapture(bool show);
    void sigUpdateEnableFlip(bool bEnable);
    void sigUpdateSetFlip(bool bChecked);
    void sigUpdateEnableMirror(bool bEnable);
    void sigUpdateSetMirror(bool bChecked);
    void sigChangeMirror(bool bChecked);
    void sigChangeFlip(bool bChecked);
    void sigVersionChecked(int result);
    void sigRecordKeepAudioChanged(bool keep);
    void sigAudioInputChanged(int index);
    void sigStartAudioTest();
    void sigStopAudioTest();
    // The microphone test is running (true) or has ended or could not start (false).
    void sigAudioTestRunning(bool running);
    // The microphone could not be opened for the test.
    void sigAudioTestFailed();
    void sigProgressVolume(int level);
    void sigResetVideoWidgetProperty(int type);

public slots:
    void EnableFrequency(bool bEnable);
    void SetFrequency(int index);
    void EnableAudioMode(bool bEnable, bool bEnable1);
    void AcousticBaffle(QStringList acousticBaffleList);
    void SetAudioMode(int on, int on1, int id);
    void PuCtPropertyList(QStringList puCtPropertyList);
    void onSetPuCtPropertyType(int type);
    void InitSlider(bool bEnable, int nMin, int nMax, int nStep, int nValue, bool bIsSupportAuto,
                    bool bDefaultAuto);
    void SetSliderPos(int nValue);
    void SetAudioList(QStringList audios, int nDefaultSel);
    void onSetPuCtPropertyValue(int type, int value);
    void onSetPuCtPropertyAutoValue(int type, bool bIsAuto);
    void onSetFrequency(int index);
    void setShowOverlayInfo(bool show);
    void setShowDataWater(bool show);
    void setShowDelayCapture(bool show);
    void setShowScanCapture(bool show);
    void onSetMirror(bool bChecked);
    void onSetFlip(bool bChecked);
    void EnableFlip(bool bEnable);
    void SetFlip(bool bChecked);
    void EnableMirror(bool bEnable);
    void SetMirror(bool bChecked);
    void slotVersionChecked(int result);
    // The video widget's answer to a microphone test request.
    void AudioTestStarted(bool started);
    void SetProgressVolume(int level);
    // A dialog resets one property to the camera's default.
    void onResetPuCtProperty(int type);

private:
    enum PropertyTarget { TargetNone = 0, TargetImage = 1, TargetControl = 2 };

    QStringList m_imagePropertyList;
    QStringList m_controlPropertyList;
    QStringList m_cachedPropertyList;
    QStringList m_audioList;
    int m_nDefaultAudio = -1;
    QString m_strRecordOutputDir;
    int m_nCurPropertyType = -1;
    int m_nRecordMinutes = 10;
    int m_nPropertyTarget = TargetNone;

    void resolveAudioInput();

    bool m_bRecordKeepAudio = true;
    QString m_strAudioInputName;
    int m_nAudioInput = -1;
    bool m_bAudioTestRunning = false;
};

#endif
