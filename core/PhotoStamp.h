// The date written into a photo's top-right corner: white text on a translucent black box, font
// height and margin proportional to the photo's width.
#ifndef CORVIX_PHOTO_STAMP_H
#define CORVIX_PHOTO_STAMP_H

#include <QFont>
#include <QRect>
#include <QString>

class QImage;

class PhotoStamp {
public:
    struct Geometry {
        int pixelSize = 0;
        int margin = 0;
        QRect textRect;
        QRect backgroundRect;
    };

    // The text of a stamp: the moment the photo was taken, as the live date label shows it.
    static const char* const kDateFormat;

    // No stamp.
    PhotoStamp() = default;
    // A date stamp in baseFont's family (resized to the photo); its text is filled in when the
    // frame is taken.
    explicit PhotoStamp(const QFont& baseFont) : m_enabled(true), m_font(baseFont) {}

    bool isEnabled() const { return m_enabled; }
    const QString& text() const { return m_text; }
    void setText(const QString& text) { m_text = text; }
    const QFont& font() const { return m_font; }

    // Placement of text on a photo imageWidth pixels wide, in baseFont resized to the photo.
    static Geometry geometry(int imageWidth, const QString& text, const QFont& baseFont);
    // Draws the stamp into image (any thread: QPainter on a QImage needs no GUI thread).
    void drawOn(QImage& image) const;

private:
    bool m_enabled = false;
    QFont m_font;
    QString m_text;
};

#endif
