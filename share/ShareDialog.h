#ifndef CORVIX_SHARE_DIALOG_H
#define CORVIX_SHARE_DIALOG_H

#include <QImage>
#include <QWidget>

class QLabel;

// The small frameless window with a shared photo's QR code and the caption "扫码取图". One
// dialog is reused for every share; the close button only hides it. Translucent top-level window.
class ShareDialog : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCodePixels = 300;

    explicit ShareDialog(QWidget* parent = nullptr);

    // Shows the code at 300 x 300 pixels, centred on the primary screen, and brings the window up.
    void showQRCode(QImage img);

    QLabel* codeLabel() const { return m_pQrLabel; }

private:
    QLabel* m_pQrLabel = nullptr;
};

#endif
