// Every icon the program asks for must exist under ":/icons/" and draw something: QtSvg answers
// a missing or unparsable file with an invalid renderer and silently skips elements it does not
// support, both of which would leave a blank button on screen.
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QSvgRenderer>
#include <QtTest>

namespace {

// The icons the screens of the application use.
const char* const kRequiredIcons[] = {
    "PTZ1.svg",
    "PTZ2.svg",
    "PTZ3.svg",
    "audio.svg",
    "background.svg",
    "background_normal.svg",
    "beautify.svg",
    "beautify_normal.svg",
    "blackboardDetect.svg",
    "cameraControl.svg",
    "cameracontrol_cancel.svg",
    "cameracontrol_face.svg",
    "cameracontrol_hand.svg",
    "cameracontrol_hide.svg",
    "cameracontrol_mode.svg",
    "cameracontrol_sound.svg",
    "capture_disabled.svg",
    "capture_focus.svg",
    "capture_normal.svg",
    "capture_pressed.svg",
    "close.svg",
    "combox.svg",
    "corvix_logo.png",
    "exit_disabled.svg",
    "exit_normal.svg",
    "exit_pressed.svg",
    "face.svg",
    "facetracking.svg",
    "facetrackingG.svg",
    "file_disabled.svg",
    "file_focus.svg",
    "file_normal.svg",
    "file_pressed.svg",
    "gallery.svg",
    "gallery_normal.svg",
    "gesture_ptz_control.svg",
    "greenboardDetect.svg",
    "grid.svg",
    "grid_normal.svg",
    "handle.svg",
    "handleclose.svg",
    "handtracking.svg",
    "loadding.svg",
    "loader.svg",
    "mosaic.svg",
    "mosaic_normal.svg",
    "nocamera.svg",
    "recordStop_disabled.svg",
    "recordStop_focus.svg",
    "recordStop_normal.svg",
    "recordStop_pressed.svg",
    "record_disabled.svg",
    "record_focus.svg",
    "record_normal.svg",
    "record_pressed.svg",
    "roundtable.svg",
    "roundtable_normal.svg",
    "select.png",
    "selectimage.svg",
    "settingCamera_normal.svg",
    "settingDevice_normal.svg",
    "settingImage_normal.svg",
    "setting_disabled.svg",
    "setting_focus.svg",
    "setting_normal.svg",
    "setting_pressed.svg",
    "sound.svg",
    "soungtracking.svg",
    "soungtrackingG.svg",
    "stand.svg",
    "stand_cancel.svg",
    "standtracking.svg",
    "standtrackingG.svg",
    "streamSelect_check.png",
    "streamSelect_normal.png",
    "switch_close.svg",
    "switch_normal.svg",
    "volume1.svg",
    "whiteboardDetect.svg",
    "whiteboardTracking.svg",
    "whiteboardTrackingG.svg",
};

bool isSvg(const QString& path) {
    return path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
}

// Renders an icon at its own size (SVG) or loads it (PNG); a null image means it cannot be used.
QImage loadIcon(const QString& path, QSize size = QSize()) {
    if (!isSvg(path)) {
        QImage image(path);
        return size.isValid() && !image.isNull() ? image.scaled(size) : image;
    }
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    if (!size.isValid())
        size = renderer.defaultSize();
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

int visiblePixels(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) > 16)
                ++count;
    }
    return count;
}

QStringList registeredIcons() {
    QStringList names;
    QDirIterator it(QStringLiteral(":/icons"), QDir::Files);
    while (it.hasNext())
        names << it.next().mid(QStringLiteral(":/icons/").size());
    names.sort();
    return names;
}

// Every ":/icons/<name>" string literal in the program's sources.
QStringList iconsReferencedByCode() {
    static const QRegularExpression literal(QStringLiteral("\":/icons/([A-Za-z0-9_./-]+)\""));
    QSet<QString> names;
    for (const char* folder : {"app", "core", "ui", "share", "update", "widgets"}) {
        QDirIterator it(QStringLiteral(CORVIX_SOURCE_DIR "/") + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(file.readAll());
            auto matches = literal.globalMatch(text);
            while (matches.hasNext())
                names.insert(matches.next().captured(1));
        }
    }
    QStringList list(names.begin(), names.end());
    list.sort();
    return list;
}

void checkLoads(const QString& name) {
    const QString path = QStringLiteral(":/icons/") + name;
    QVERIFY2(QFile::exists(path), qPrintable(path + " is not registered"));
    if (isSvg(path)) {
        QSvgRenderer renderer(path);
        QVERIFY2(renderer.isValid(), qPrintable(path + " does not parse"));
        QVERIFY2(!renderer.defaultSize().isEmpty(), qPrintable(path + " has no size"));
    }
    const QImage image = loadIcon(path);
    QVERIFY2(!image.isNull(), qPrintable(path + " does not load"));
    QVERIFY2(visiblePixels(image) > 0, qPrintable(path + " draws nothing"));
}

}  // namespace

class TestIcons : public QObject {
    Q_OBJECT

private slots:
    void everyRequiredIconIsRegistered() {
        const QStringList registered = registeredIcons();
        QStringList missing;
        for (const char* name : kRequiredIcons)
            if (!registered.contains(QLatin1String(name)))
                missing << QLatin1String(name);
        QVERIFY2(missing.isEmpty(), qPrintable("missing: " + missing.join(", ")));
    }

    void everyRegisteredIconLoads_data() {
        QTest::addColumn<QString>("name");
        const QStringList registered = registeredIcons();
        QVERIFY(!registered.isEmpty());
        for (const QString& name : registered)
            QTest::newRow(qPrintable(name)) << name;
    }
    void everyRegisteredIconLoads() {
        QFETCH(QString, name);
        checkLoads(name);
    }

    void everyIconTheCodeUsesLoads() {
        const QStringList referenced = iconsReferencedByCode();
        for (const QString& name : referenced) {
            checkLoads(name);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable("referenced by the code: " + name));
        }
    }

    // The state faces of one button must differ, or hovering and pressing would show nothing.
    void buttonStatesAreDistinct_data() {
        QTest::addColumn<QStringList>("states");
        QTest::newRow("setting") << QStringList{"normal", "focus", "pressed", "disabled"};
        QTest::newRow("file") << QStringList{"normal", "focus", "pressed", "disabled"};
        QTest::newRow("capture") << QStringList{"normal", "focus", "pressed", "disabled"};
        QTest::newRow("record") << QStringList{"normal", "focus", "pressed", "disabled"};
        QTest::newRow("recordStop") << QStringList{"normal", "focus", "pressed", "disabled"};
        QTest::newRow("exit") << QStringList{"normal", "pressed", "disabled"};
    }
    void buttonStatesAreDistinct() {
        QFETCH(QStringList, states);
        const QString base = QString::fromLatin1(QTest::currentDataTag());
        QVector<QImage> faces;
        for (const QString& state : states) {
            faces << loadIcon(QStringLiteral(":/icons/%1_%2.svg").arg(base, state), QSize(60, 60));
            QVERIFY(!faces.last().isNull());
        }
        for (int i = 0; i < faces.size(); ++i)
            for (int j = i + 1; j < faces.size(); ++j)
                QVERIFY2(faces[i] != faces[j],
                         qPrintable(base + ": " + states[i] + " looks like " + states[j]));
        QVERIFY(loadIcon(":/icons/switch_normal.svg") != loadIcon(":/icons/switch_close.svg"));
        QVERIFY(loadIcon(":/icons/streamSelect_check.png") != loadIcon(":/icons/streamSelect_normal.png"));
    }

    // Icons are stretched to the box they are drawn in, so their own proportions must match it;
    // spinners turn about their centre and must be square.
    void iconProportionsMatchTheirBoxes_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("box");
        QTest::newRow("switch on") << "switch_normal.svg" << QSize(94, 42);
        QTest::newRow("switch off") << "switch_close.svg" << QSize(94, 42);
        QTest::newRow("face info") << "face.svg" << QSize(140, 100);
        QTest::newRow("sound info") << "sound.svg" << QSize(200, 100);
        QTest::newRow("loader") << "loader.svg" << QSize(1, 1);
        QTest::newRow("loading") << "loadding.svg" << QSize(1, 1);
        QTest::newRow("capture") << "capture_normal.svg" << QSize(1, 1);
        QTest::newRow("stream marker") << "streamSelect_check.png" << QSize(16, 16);
        QTest::newRow("stream marker off") << "streamSelect_normal.png" << QSize(16, 16);
    }
    void iconProportionsMatchTheirBoxes() {
        QFETCH(QString, name);
        QFETCH(QSize, box);
        const QImage image = loadIcon(QStringLiteral(":/icons/") + name);
        QVERIFY(!image.isNull());
        QCOMPARE(image.width() * box.height(), image.height() * box.width());
        // the stream markers sit in fixed 16 x 16 labels, which do not scale pixmaps
        if (!isSvg(name) && box.width() > 1)
            QCOMPARE(image.size(), box);
    }

    // A spinner turns about the centre of its widget: whatever it draws must be centred there,
    // or it wobbles while it turns.
    void spinnersAreCentred() {
        for (const char* name : {":/icons/loader.svg", ":/icons/loadding.svg"}) {
            const QImage image = loadIcon(QString::fromLatin1(name), QSize(200, 200));
            QVERIFY(!image.isNull());
            int left = image.width(), right = -1, top = image.height(), bottom = -1;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(image.pixel(x, y)) > 16) {
                        left = qMin(left, x), right = qMax(right, x);
                        top = qMin(top, y), bottom = qMax(bottom, y);
                    }
            QVERIFY2(right >= 0, name);
            QVERIFY2(qAbs((left + right) - (image.width() - 1)) <= 4, name);
            QVERIFY2(qAbs((top + bottom) - (image.height() - 1)) <= 4, name);
        }
    }
};

QTEST_MAIN(TestIcons)
#include "test_icons.moc"
