// Small helper for the icon set: renders an SVG to a PNG, and draws a contact sheet of icons.
//   icontool render <in.svg> <out.png> <width> <height>
//   icontool sheet <out.png> <icon>...      (SVG or PNG files, or ":/icons/..." resources)
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace {

QImage renderSvg(const QString& path, QSize size) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    if (!size.isValid())
        size = renderer.defaultSize();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

QImage loadIcon(const QString& path) {
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        return renderSvg(path, QSize());
    return QImage(path);
}

int render(const QStringList& args) {
    if (args.size() != 4)
        return 2;
    const QImage image = renderSvg(args[0], QSize(args[2].toInt(), args[3].toInt()));
    if (image.isNull() || !image.save(args[1])) {
        std::fprintf(stderr, "icontool: cannot render %s to %s\n", qPrintable(args[0]), qPrintable(args[1]));
        return 1;
    }
    return 0;
}

// Each icon sits in a cell of the dark panel colour at its own default size (large ones shrunk
// to fit), with its file name underneath. A second, lighter strip behind every cell's lower half
// shows how the translucent overlay buttons read over a bright picture.
int sheet(const QStringList& args) {
    if (args.size() < 2)
        return 2;
    const int cell = 170, label = 24, columns = 8, maxIcon = 140;
    const QStringList files = args.mid(1);
    const int rows = (files.size() + columns - 1) / columns;
    QImage out(columns * cell, rows * (cell + label), QImage::Format_ARGB32_Premultiplied);
    out.fill(QColor("#34383C"));
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);
    int failures = 0;
    for (int i = 0; i < files.size(); ++i) {
        const QRect box((i % columns) * cell, (i / columns) * (cell + label), cell, cell + label);
        p.fillRect(box.adjusted(1, 1, -1, -1), QColor("#2f3437"));
        p.fillRect(QRect(box.left() + 1, box.top() + cell / 2, cell - 2, cell / 2), QColor("#8A9096"));
        QImage icon = loadIcon(files[i]);
        if (icon.isNull()) {
            ++failures;
            p.setPen(Qt::red);
            p.drawText(box.adjusted(0, 0, 0, -label), Qt::AlignCenter, QStringLiteral("INVALID"));
        } else {
            if (icon.width() > maxIcon || icon.height() > maxIcon)
                icon = icon.scaled(maxIcon, maxIcon, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            p.drawImage(box.left() + (cell - icon.width()) / 2, box.top() + (cell - icon.height()) / 2, icon);
        }
        p.setPen(QColor("#C3C4C5"));
        p.drawText(QRect(box.left(), box.top() + cell, cell, label), Qt::AlignCenter,
                   QFileInfo(files[i]).fileName());
    }
    p.end();
    if (!out.save(args[0]))
        return 1;
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    int rc = 2;
    if (command == QLatin1String("render"))
        rc = render(args);
    if (command == QLatin1String("sheet"))
        rc = sheet(args);
    if (rc == 2)
        std::fprintf(stderr,
                     "usage: icontool render <in.svg> <out.png> <width> <height>\n"
                     "       icontool sheet <out.png> <icon>...\n");
    return rc;
}
