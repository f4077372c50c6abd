#ifndef CORVIX_CAMERA_SETTINGS_PANEL_H
#define CORVIX_CAMERA_SETTINGS_PANEL_H

#include <QList>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include "StreamChoiceStore.h"
#include "StreamSettings.h"

class CameraController;
class CameraSettingDevicePage;
class CameraSettingImagePage;
class QButtonGroup;
class QLabel;
class QPushButton;
class QStackedWidget;
class SidePopupSelector;
class StreamChoiceRestorer;
class StreamSettingsGroup;

// The settings window laid over the left side of the main window: the camera page (device and
// stream 1 settings, apply), the feature page and the device page behind a tab bar, and in the
// multi-stream mode the cards of streams 2 and 3 beside it. It turns the user's choices into
// signals for the main window and is the way the camera's reports reach its pages. A press
// outside it, or Esc, closes it.
class CameraSettingsPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int kStreams = 3;

    CameraSettingsPanel(CameraController* controller, QWidget* parent);
    ~CameraSettingsPanel() override;

    // Filled from the camera's reports.
    void setDeviceNames(const QStringList& names);
    void setDeviceList(const QStringList& names, bool selectFirst);
    void showUI();
    void showLoading();
    bool isLoading() const;
    void setMediaTypeList(int streamId, const QStringList& list, int nDefaultSel);
    void setResolutionList(int streamId, const QStringList& list, int nDefaultSel);
    void setFpsList(int streamId, const QStringList& list, int nDefaultSel);
    void setStreamCount(int count) { m_nStreamCount = count; }
    int streamCount() const { return m_nStreamCount; }
    void finishApply();
    bool isApplying() const { return m_bApplying; }
    void setSupportStream(bool on);
    bool streamMode() const { return m_bStreamMode; }
    void setSupportAdvanceXU(bool on);
    // Picks the remembered choices of the streams an apply sends, as their lists arrive from
    // the camera, then applies them; the user's own apply or a lost camera cancels it.
    void restoreStreamChoices(const QMap<int, StreamChoice>& choices);
    bool isRestoring() const;

    // Forwarded to the pages.
    void setSensorList(const QStringList& names);
    void enableHandGesture(const QVector<long>& mask);
    void enableCanvas(const QVector<long>& mask);
    void enableMosaic(const QVector<long>& mask);
    void enableSub1Ai(const QVector<long>& mask);
    void setDeviceName(const QString& text);
    void setDeviceMan(const QString& text);
    void setDevicePIDVID(const QString& text);
    void setDeviceMID(const QString& text);
    void setDeviceFWVersion(const QString& text);
    void setDeviceXuVersion(const QString& text);
    void setDeviceSDKVersion(const QString& text);

    CameraSettingImagePage* imagePage() const { return m_imagePage; }
    CameraSettingDevicePage* devicePage() const { return m_devicePage; }
    StreamSettingsGroup* streamGroup(int streamId) const;
    QWidget* streamCard(int streamId) const;
    QPushButton* streamButton(int streamId) const;
    QWidget* streamSelectBar() const { return m_streamBar; }
    SidePopupSelector* deviceSelector() const { return m_deviceSelector; }
    QPushButton* applyButton() const { return m_applyButton; }
    QWidget* mainCard() const { return m_mainCard; }
    QWidget* loadingView() const { return m_loadingView; }
    QWidget* contentWidget() const { return m_content; }
    QStackedWidget* stack() const { return m_stack; }
    QButtonGroup* tabGroup() const { return m_tabGroup; }
    QList<SidePopupSelector*> selectors() const;

signals:
    void deviceSelected(int index);
    void mediaChanged(int streamId, int mediaIndex);
    void resolutionChanged(int streamId, int resolutionIndex);
    void fpsChanged(int streamId, int fpsIndex);
    void streamToggled(int index, bool checked);
    void settingsApplied(QVector<StreamSettings> settings, int nStreamCount);
    void changeStreamCount(int nStreamCount);
    void sensorChanged(int index);
    void hideChanged(bool bEnable);
    void faceTracking(bool bEnable);
    void soundTracking(bool bEnable);
    void setGesture(int index);
    void setCanvas(int index);
    void setPip(bool bChecked);
    void setMoasic(int index);
    void setSub1Ai(int index);

public slots:
    void enableBpsChanged(int streamId, bool enable);
    void enableGopChanged(int streamId, bool enable);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildCameraPage();
    QWidget* buildStreamBar();
    void buildStreamCards();
    void buildTabBar(QWidget* content);
    void connectSignals();
    void apply();
    bool isStreamApplied(int streamId) const;
    void onTab(int id);
    void onMediaChanged(int streamId);
    void onStreamButtonToggled(int index, bool checked);
    void onStreamToggled(int index, bool checked);
    void showStreamCards();
    void placeStreamCards();
    void fillSelector(SidePopupSelector* selector, const QStringList& list, int nDefaultSel);
    bool pressIsInside(const QPoint& global) const;
    bool closeOpenSelectorList();

    CameraController* m_controller = nullptr;
    QStringList m_deviceNames;
    StreamSettingsGroup* m_groups[kStreams] = {};
    bool m_bMediaConnected[kStreams] = {};
    bool m_bStreamEnabled[kStreams] = {true, true, true};
    QPushButton* m_streamButtons[kStreams] = {};
    QLabel* m_streamMarks[kStreams] = {};
    QWidget* m_cards[kStreams] = {};  // index 1 and 2 only
    bool m_bStreamMode = false;
    bool m_bApplying = false;
    int m_nStreamCount = 0;
    // A touch closed the panel: the mouse presses Qt makes up from that touch are dropped too.
    bool m_bDropSynthesizedMouse = false;

    QWidget* m_background = nullptr;
    QWidget* m_mainCard = nullptr;
    QWidget* m_loadingView = nullptr;
    QWidget* m_content = nullptr;
    QStackedWidget* m_stack = nullptr;
    QButtonGroup* m_tabGroup = nullptr;
    QWidget* m_streamBar = nullptr;
    QWidget* m_streamSpacer = nullptr;
    SidePopupSelector* m_deviceSelector = nullptr;
    QPushButton* m_applyButton = nullptr;
    CameraSettingImagePage* m_imagePage = nullptr;
    CameraSettingDevicePage* m_devicePage = nullptr;
    StreamChoiceRestorer* m_restorer = nullptr;
};

#endif
