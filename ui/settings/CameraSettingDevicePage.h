#ifndef CORVIX_CAMERA_SETTING_DEVICE_PAGE_H
#define CORVIX_CAMERA_SETTING_DEVICE_PAGE_H

#include <QString>
#include <QWidget>
#include <functional>

class CameraController;
class InfoRow;
class SidePopupSelector;
class SwitchRow;
class ToastLabel;

// The device page of the settings panel: the save folder, the four display switches of the live
// view, the open camera's identity and versions, and the application's version with a marker for
// a newer one. The folder and the switches are remembered between runs.
class CameraSettingDevicePage : public QWidget {
    Q_OBJECT

public:
    enum Switch { OverlayInfo, DateWatermark, DelayCapture, ScanCapture, SwitchCount };
    // Settings keys of the remembered choices.
    static const char* const kFolderKey;
    static const char* const kSwitchKeys[SwitchCount];

    CameraSettingDevicePage(CameraController* controller, QWidget* parent);

    // The documents folder followed by "/Corvix", created if missing.
    static QString defaultSavePath();
    QString savePath() const { return m_strSavePath; }

    // Tells the controller the switches' current states, so that the screens they drive start
    // in step with the page.
    void publishSwitches();
    // Takes a folder the user chose: a folder that cannot be written to is refused with a toast.
    // Answers whether it was taken.
    bool chooseFolder(const QString& folder);

    void setDeviceName(const QString& text);
    void setDeviceMan(const QString& text);
    void setDevicePIDVID(const QString& text);
    void setDeviceMID(const QString& text);
    void setDeviceFWVersion(const QString& text);
    void setDeviceXuVersion(const QString& text);
    void setDeviceSDKVersion(const QString& text);

    SwitchRow* switchRow(Switch s) const { return m_switches[s]; }
    SidePopupSelector* pathSelector() const { return m_pathSelector; }
    InfoRow* makerRow() const { return m_makerRow; }
    InfoRow* xuRow() const { return m_xuRow; }
    InfoRow* nameRow() const { return m_nameRow; }
    InfoRow* productRow() const { return m_productRow; }
    InfoRow* versionRow() const { return m_versionRow; }
    ToastLabel* toast() const { return m_toast; }

    // A folder given for this run only (the command line): shown and used, not remembered.
    void useFolderForThisRun(const QString& folder);

    // The folder dialog; replaceable for tests (answers an empty text when cancelled).
    void setFolderPicker(std::function<QString(const QString& current)> picker);

signals:
    void sigRecordOutputPathChanged(QString path);

public slots:
    void slotVersionChecked(int result);

private:
    void buildTree();
    void fillPathSelector();
    void onPathChosen(int index);
    void onSwitchToggled(Switch s, bool on);

    CameraController* m_controller = nullptr;
    QString m_strSavePath;
    SidePopupSelector* m_pathSelector = nullptr;
    SwitchRow* m_switches[SwitchCount] = {};
    InfoRow* m_nameRow = nullptr;
    InfoRow* m_makerRow = nullptr;
    InfoRow* m_pidVidRow = nullptr;
    InfoRow* m_midRow = nullptr;
    InfoRow* m_fwRow = nullptr;
    InfoRow* m_xuRow = nullptr;
    InfoRow* m_sdkRow = nullptr;
    InfoRow* m_productRow = nullptr;
    InfoRow* m_versionRow = nullptr;
    ToastLabel* m_toast = nullptr;
    std::function<QString(const QString&)> m_folderPicker;
};

#endif
