#include "AccessGesture.h"

#include <QDebug>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include "OnScreenKeyboard.h"
#include "StreamPasswordDialog.h"

namespace {
const char* const kMultiStreamCode = "481526";
const char* const kAdvancedCode = "735094";
const int kHotAreaSize = 50;
const int kSecretClicks = 6;
}  // namespace

AccessGesture::AccessGesture(QWidget* dialogParent)
    : QObject(dialogParent), m_dialogParent(dialogParent), m_keyboard(new OnScreenKeyboard(this)) {}

QRect AccessGesture::hotArea() const {
    if (!m_video) {
        return QRect(QPoint(0, 0), QPoint(-1, -1));
    }
    const QPoint g = m_video->mapToGlobal(QPoint(0, 0));
    const int w = m_video->width();
    return QRect(QPoint(g.x() + w - kHotAreaSize, g.y()), QPoint(g.x() + w - 1, g.y() + kHotAreaSize - 1));
}

void AccessGesture::countClick(const QPoint& globalPos) {
    if (!m_video) {
        return;
    }
    if (!hotArea().contains(globalPos)) {
        qDebug("AccessGesture: click outside the hot area");
        return;
    }
    qDebug("AccessGesture: hot-area clicks before this one: %d", m_secretClickCount);
    ++m_secretClickCount;
    if (m_secretClickCount >= kSecretClicks) {
        m_secretClickCount = 0;
        QMetaObject::invokeMethod(this, &AccessGesture::runDialog, Qt::QueuedConnection);
    }
}

void AccessGesture::runDialog() {
    qDebug() << "OverlayWidget::showStreamInputDialog start";
    StreamPasswordDialog dialog(m_dialogParent);
    QPointer<StreamPasswordDialog> open(&dialog);
    QTimer::singleShot(100, m_keyboard, [this, open] {
        if (open && open->isVisible()) {
            m_keyboard->start();
        }
    });
    const int result = dialog.exec();
    // The keyboard belongs to the dialog: it goes when the dialog closes, whatever the answer.
    m_keyboard->stop();
    if (result != QDialog::Accepted) {
        return;
    }
    const QString code = dialog.password();
    if (code == QLatin1String(kMultiStreamCode)) {
        m_bSupportStream = true;
        emit setSupportStream(true);
    } else if (code == QLatin1String(kAdvancedCode)) {
        m_bSupportAdvanceXU = true;
        emit setSupportAdvanceXU(true);
    } else {
        QMessageBox::warning(m_dialogParent, tr("提示"), tr("密码错误，当前不支持多流"), QMessageBox::Ok);
        m_bSupportStream = false;
        m_bSupportAdvanceXU = false;
    }
}
