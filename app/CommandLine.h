#ifndef CORVIX_COMMAND_LINE_H
#define CORVIX_COMMAND_LINE_H

#include <QString>
#include <QStringList>

// The program's command line. Parsed before the application object exists, so that --help,
// --version and a mistyped option answer on a terminal without a display. The options Qt itself
// understands (-platform, -style, ...) are accepted and left for QApplication.
class CommandLine {
public:
    enum Outcome {
        Run,        // start the program with the options below
        PrintExit,  // print `output()` to stdout and exit 0 (--help, --version)
        ErrorExit   // print `error()` to stderr and exit 2
    };

    Outcome parse(const QStringList& arguments);

    QString output() const { return m_output; }
    QString error() const { return m_error; }

    bool windowed() const { return m_windowed; }
    bool verbose() const { return m_verbose; }
    QString camera() const { return m_camera; }           // empty: the first camera
    QString virtualCameras() const { return m_virtual; }  // empty: not asked for
    QString saveFolder() const { return m_saveFolder; }   // empty: the default folder

    static QString versionText();
    static QString helpText();

private:
    QString m_output;
    QString m_error;
    bool m_windowed = false;
    bool m_verbose = false;
    QString m_camera;
    QString m_virtual;
    QString m_saveFolder;
};

#endif
