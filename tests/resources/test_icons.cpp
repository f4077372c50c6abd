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

// The bounding box of the pixels an icon draws; empty when it draws nothing.
QRect drawnArea(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int left = argb.width(), right = -1, top = argb.height(), bottom = -1;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(argb.pixel(x, y)) > 16) {
                left = qMin(left, x), right = qMax(right, x);
                top = qMin(top, y), bottom = qMax(bottom, y);
            }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// The registered icons and every ":/icons/<name>" string literal in the program's sources.
QStringList iconNames() {
    QSet<QString> names;
    QDirIterator registered(QStringLiteral(":/icons"), QDir::Files);
    while (registered.hasNext())
        names.insert(registered.next().mid(QStringLiteral(":/icons/").size()));
    static const QRegularExpression literal(QStringLiteral("\":/icons/([A-Za-z0-9_./-]+)\""));
    for (const char* folder : {"app", "core", "ui", "share", "update", "widgets"}) {
        QDirIterator it(QStringLiteral(CORVIX_SOURCE_DIR "/") + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly))
                continue;
            auto matches = literal.globalMatch(QString::fromUtf8(file.readAll()));
            while (matches.hasNext())
                names.insert(matches.next().captured(1));
        }
    }
    QStringList list(names.begin(), names.end());
    list.sort();
    return list;
}

}  // namespace

class TestIcons : public QObject {
    Q_OBJECT

private slots:
    void everyIconLoads_data() {
        QTest::addColumn<QString>("name");
        const QStringList names = iconNames();
        QVERIFY(names.size() > 50);  // the resources and the sources were both found
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << name;
    }
    void everyIconLoads() {
        QFETCH(QString, name);
        const QString path = QStringLiteral(":/icons/") + name;
        QVERIFY2(QFile::exists(path), qPrintable(path + " is not registered"));
        if (isSvg(path)) {
            QSvgRenderer renderer(path);
            QVERIFY2(renderer.isValid(), qPrintable(path + " does not parse"));
            QVERIFY2(!renderer.defaultSize().isEmpty(), qPrintable(path + " has no size"));
        }
        const QImage image = loadIcon(path);
        QVERIFY2(!image.isNull(), qPrintable(path + " does not load"));
        QVERIFY2(!drawnArea(image).isEmpty(), qPrintable(path + " draws nothing"));
    }

    // The state faces of one button must differ, or hovering and pressing would show nothing.
    void buttonStatesAreDistinct() {
        const QStringList four{"normal", "focus", "pressed", "disabled"};
        for (const QString base : {"setting", "file", "capture", "record", "recordStop", "exit"}) {
            QStringList states = four;
            if (base == "exit")
                states.removeOne("focus");
            QVector<QImage> faces;
            for (const QString& state : states) {
                faces << loadIcon(QStringLiteral(":/icons/%1_%2.svg").arg(base, state), QSize(60, 60));
                QVERIFY2(!faces.last().isNull(), qPrintable(base + "_" + state));
            }
            for (int i = 0; i < faces.size(); ++i)
                for (int j = i + 1; j < faces.size(); ++j)
                    QVERIFY2(faces[i] != faces[j],
                             qPrintable(base + ": " + states[i] + " looks like " + states[j]));
        }
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
            const QRect drawn = drawnArea(image);
            QVERIFY2(!drawn.isEmpty(), name);
            QVERIFY2(qAbs((drawn.left() + drawn.right()) - (image.width() - 1)) <= 4, name);
            QVERIFY2(qAbs((drawn.top() + drawn.bottom()) - (image.height() - 1)) <= 4, name);
        }
    }
};

QTEST_MAIN(TestIcons)
#include "test_icons.moc"
