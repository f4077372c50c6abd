#include "PropertyDialogBase.h"

#include <QDebug>
#include <QLoggingCategory>
#include <QTimer>

#include <QSlider>

#include "CameraController.h"
#include "CameraParamRow.h"
#include "SvgSpinnerWidget.h"
#include "UiScale.h"

Q_LOGGING_CATEGORY(lcPropertyDialog, "corvix.dialogs", QtWarningMsg)

PropertyDialogBase::PropertyDialogBase(CameraController* controller, const QSize& designSize, QWidget* parent)
    : FramedPopupDialog(designSize, parent), m_controller(controller), m_answerTimer(new QTimer(this)) {
    m_answerTimer->setSingleShot(true);
    m_answerTimer->setInterval(kAnswerTimeoutMs);
    connect(m_answerTimer, &QTimer::timeout, this, &PropertyDialogBase::onAnswerTimeout);
}

void PropertyDialogBase::createLoader() {
    m_loader = new SvgSpinnerWidget(":/icons/loader.svg", this, true);
    m_loader->setFixedSize(scaled(90), scaled(90));
    m_loader->move((width() - m_loader->width()) / 2, (height() - m_loader->height()) / 2);
    m_loader->show();
    m_loader->raise();
    m_loader->startAnimation();
}

void PropertyDialogBase::forwardUserChanges(CameraParamRow* row, int type) {
    connect(row, &CameraParamRow::valueChanged, this, [this, type](int v) {
        if (!isFilling()) {
            emit sigSetPuCtPropertyValue(type, v);
        }
    });
    connect(row, &CameraParamRow::autoChanged, this, [this, type](bool on) {
        if (!isFilling()) {
            emit sigSetPuCtPropertyAutoValue(type, on);
        }
    });
}

void PropertyDialogBase::connectChangesToController() {
    CameraController* c = m_controller;
    connect(this, &PropertyDialogBase::sigSetPuCtPropertyValue, c, &CameraController::onSetPuCtPropertyValue,
            Qt::QueuedConnection);
    connect(this, &PropertyDialogBase::sigSetPuCtPropertyAutoValue, c,
            &CameraController::onSetPuCtPropertyAutoValue, Qt::QueuedConnection);
    connect(this, &PropertyDialogBase::sigResetPuCtProperty, c, &CameraController::onResetPuCtProperty,
            Qt::QueuedConnection);
}

void PropertyDialogBase::resetRows(const QVector<int>& types) {
    for (int type : types) {
        CameraParamRow* r = rowForType(type);
        // The slider is disabled with its row too.
        if (!r->slider()->isEnabled()) {
            continue;
        }
        emit sigResetPuCtProperty(type);
        if (r->isAutoSupported()) {
            emit sigSetPuCtPropertyAutoValue(type, true);
        }
    }
}

int PropertyDialogBase::expectedType() const {
    if (!m_bLoading || m_nPendingIndex < 0 || m_nPendingIndex >= m_pendingTypes.size()) {
        return -1;
    }
    return m_pendingTypes.at(m_nPendingIndex);
}

void PropertyDialogBase::startSequence(const QVector<int>& types) {
    m_bLoading = true;
    setContentVisible(false);
    m_loader->show();
    m_loader->raise();
    m_loader->startAnimation();
    m_pendingTypes = types;
    m_nPendingIndex = 0;
    requestNext();
}

void PropertyDialogBase::requestNext() {
    const int type = expectedType();
    if (type < 0) {
        m_answerTimer->stop();
        if (m_bLoading) {
            finishLoading();
        }
        return;
    }
    m_answerTimer->start();
    requestType(type);
}

bool PropertyDialogBase::takeAnswer(int type, bool bEnable, int nMin, int nMax, int nStep, int nValue,
                                    bool bIsSupportAuto, bool bDefaultAuto) {
    const int expected = expectedType();
    if (expected < 0) {
        return false;
    }
    if (type != expected) {
        qCDebug(lcPropertyDialog, "Drop mismatched type. expect:%d recv:%d\n", expected, type);
        return false;
    }
    if (CameraParamRow* row = rowForType(type)) {
        fillRow(row, bEnable, nMin, nMax, nStep, nValue, bIsSupportAuto, bDefaultAuto);
    }
    answerApplied(type, bEnable, nValue, bIsSupportAuto, bDefaultAuto);
    ++m_nPendingIndex;
    requestNext();
    return true;
}

void PropertyDialogBase::fillRow(CameraParamRow* row, bool bEnable, int nMin, int nMax, int nStep, int nValue,
                                 bool bIsSupportAuto, bool bDefaultAuto) {
    m_bFilling = true;
    if (bEnable) {
        const bool valid = nStep > 0 && nMax <= 100000 && nMin < nMax;
        qCDebug(lcPropertyDialog, "%s::onInitSlider invalidRange:%d", logName(), valid ? 0 : 1);
        if (valid) {
            row->setParamEnabled(true);
            row->setRange(nMin, nMax, nStep, nValue, bIsSupportAuto, bDefaultAuto);
            row->setAutoSupported(bIsSupportAuto);
            if (bIsSupportAuto) {
                row->setAuto(bDefaultAuto);
            }
        } else {
            row->setParamEnabled(false);
            row->setAutoSupported(false);
        }
    } else {
        row->setParamEnabled(false);
        row->setAutoSupported(false);
        row->setRange(0, 0, 1, 0, false, false);
    }
    m_bFilling = false;
}

void PropertyDialogBase::answerApplied(int, bool, int, bool, bool) {}

void PropertyDialogBase::onAnswerTimeout() {
    const int type = expectedType();
    if (type < 0) {
        return;
    }
    qCWarning(lcPropertyDialog) << logName() << "no answer for property" << type << "- shown as unsupported";
    if (CameraParamRow* row = rowForType(type)) {
        fillRow(row, false, 0, 0, 1, 0, false, false);
    }
    ++m_nPendingIndex;
    requestNext();
}

void PropertyDialogBase::finishLoading() {
    m_bLoading = false;
    m_answerTimer->stop();
    m_loader->stopAnimation();
    m_loader->hide();
    setContentVisible(true);
    qCDebug(lcPropertyDialog, "%s::finishLoading DONE\n", logName());
}
