#ifndef CORVIX_TEST_SVG_H
#define CORVIX_TEST_SVG_H

#include <QFile>
#include <QString>
#include <QTemporaryDir>

// Writes small solid-colour SVGs into a temporary folder, so the tests do not depend on the
// artwork of the real icons.
class TestSvgFolder {
public:
    QString make(const QString& name, const QString& colour, int w = 20, int h = 20) {
        const QString path = m_dir.filePath(name + ".svg");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            return QString();
        }
        file.write(QString("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                           "viewBox=\"0 0 %1 %2\"><rect width=\"%1\" height=\"%2\" fill=\"%3\"/></svg>")
                       .arg(w)
                       .arg(h)
                       .arg(colour)
                       .toUtf8());
        return path;
    }

private:
    QTemporaryDir m_dir;
};

#endif
