#ifndef CORVIX_TEST_SVG_H
#define CORVIX_TEST_SVG_H

#include <QFile>
#include <QString>
#include <QTemporaryDir>

// Writes solid-colour SVGs into a temporary folder, so the tests do not depend on the real icons.
class TestSvgFolder {
public:
    QString make(const QString& name, const QString& colour) {
        const QString path = m_dir.filePath(name + ".svg");
        QFile file(path);
        const QByteArray svg =
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"20\" height=\"20\" viewBox=\"0 0 "
            "20 20\"><rect width=\"20\" height=\"20\" fill=\"" +
            colour.toUtf8() + "\"/></svg>";
        return file.open(QIODevice::WriteOnly) && file.write(svg) == svg.size() ? path : QString();
    }

private:
    QTemporaryDir m_dir;
};

#endif
