#ifndef CORVIX_PROPERTY_DIALOG_BASE_H
#define CORVIX_PROPERTY_DIALOG_BASE_H

#include <QVector>

#include "FramedPopupDialog.h"

class CameraController;
class CameraParamRow;
class QTimer;
class SvgSpinnerWidget;

// What the image settings and camera control dialogs share: the mediator answers one property
// at a time, so a dialog asks for its types one after the other and shows a spinner until the
// last answer. Answers for other types (the other dialog's) are dropped; a type that stays
// unanswered (a property the camera lacks) is shown disabled after a while and the sequence goes on.
class PropertyDialogBase : public FramedPopupDialog {
    Q_OBJECT

public:
    // How long a request may stay unanswered before its row is shown disabled.
    static constexpr int kAnswerTimeoutMs = 2000;

    PropertyDialogBase(CameraController* controller, const QSize& designSize, QWidget* parent);

    bool isLoading() const { return m_bLoading; }
    // The type whose answer is awaited, -1 when none.
    int expectedType() const;
    void finishLoading();

signals:
    // The user's changes for the camera; connectChangesToController() queues them there.
    void sigSetPuCtPropertyValue(int type, int value);
    void sigSetPuCtPropertyAutoValue(int type, bool IsAuto);
    void sigResetPuCtProperty(int type);

protected:
    // Restarts the request sequence with these types, in this order.
    void startSequence(const QVector<int>& types);
    // One answer from the mediator: fills the row of an expected type and moves on. False when
    // the answer was not the one awaited (dropped).
    bool takeAnswer(int type, bool bEnable, int nMin, int nMax, int nStep, int nValue, bool bIsSupportAuto,
                    bool bDefaultAuto);
    // Fills a row from an answer without reporting anything to the camera.
    void fillRow(CameraParamRow* row, bool bEnable, int nMin, int nMax, int nStep, int nValue,
                 bool bIsSupportAuto, bool bDefaultAuto);
    // True while a row is being filled from the camera's answer: its signals are not user changes.
    bool isFilling() const { return m_bFilling; }
    // The spinner shown while loading, centred over the dialog.
    void createLoader();
    // The user's moves of `row`'s slider and auto switch go out as changes of `type`; the
    // row's own signals while it is filled from an answer do not.
    void forwardUserChanges(CameraParamRow* row, int type);
    void connectChangesToController();
    // Each of `types` whose row is usable back to the camera's default, automatic where it can be.
    void resetRows(const QVector<int>& types);

    virtual CameraParamRow* rowForType(int type) const = 0;
    virtual void setContentVisible(bool visible) = 0;
    // Emits the dialog's request signal for one type.
    virtual void requestType(int type) = 0;
    // Called after a row has been filled from an accepted answer.
    virtual void answerApplied(int type, bool bEnable, int nValue, bool bIsSupportAuto, bool bDefaultAuto);
    virtual const char* logName() const = 0;

    CameraController* m_controller = nullptr;
    SvgSpinnerWidget* m_loader = nullptr;

private:
    void requestNext();
    void onAnswerTimeout();

    QVector<int> m_pendingTypes;
    int m_nPendingIndex = 0;
    bool m_bLoading = false;
    bool m_bFilling = false;
    QTimer* m_answerTimer = nullptr;
};

#endif
