#include "CommandLine.h"
#include "AppVersion.h"

#include <QCommandLineParser>
#include <QDir>

namespace {

const char* const kVersion = CORVIX_APP_VERSION;

// Options QApplication takes out of argv itself (single dash, some with a value).
const char* const kQtValueOptions[] = {"platform",
                                       "platformpluginpath",
                                       "platformtheme",
                                       "plugin",
                                       "qwindowgeometry",
                                       "qwindowicon",
                                       "qwindowtitle",
                                       "style",
                                       "stylesheet",
                                       "session",
                                       "display",
                                       "geometry",
                                       "title",
                                       "name",
                                       "visual",
                                       "ncols",
                                       "cmap",
                                       "graphicssystem"};
const char* const kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// `--virtual-camera` may stand alone (one camera of the default profile). QCommandLineParser has
// no optional values, so a bare one gets its default here; "-1" is a value, "--x" the next option.
QStringList withVirtualCameraDefault(const QStringList& arguments) {
    QStringList out;
    for (int i = 0; i < arguments.size(); ++i) {
        out << arguments[i];
        if (i > 0 && arguments[i] == QLatin1String("--virtual-camera")) {
            const bool hasValue = i + 1 < arguments.size() && !arguments[i + 1].startsWith("--");
            if (!hasValue) {
                out << QStringLiteral("1");
            }
        }
    }
    return out;
}

}  // namespace

QString CommandLine::versionText() {
    return QStringLiteral("Corvix %1\n").arg(kVersion);
}

QString CommandLine::helpText() {
    return QStringLiteral(
        "Usage: corvix [options]\n"
        "Shows, photographs and records a USB camera's picture.\n"
        "\n"
        "Options:\n"
        "  -h, --help                      Show this help and exit.\n"
        "  -v, --version                   Show the version and exit.\n"
        "  --windowed                      A normal resizable window instead of full screen.\n"
        "  --camera NAME                   Open the camera of that name when it is present.\n"
        "  --virtual-camera [N|PROFILE]    N virtual cameras (default 1), or those of a profile\n"
        "                                  JSON file (same as QEL_VIRTUAL_CAMERAS).\n"
        "  --save-folder DIR               Save photos and recordings in DIR.\n"
        "  --verbose                       Print the diagnostic lines (corvix.* categories).\n"
        "\n"
        "Qt's own options (-platform, -style, ...) are accepted as well.\n"
        "Environment: QEL_VIRTUAL_CAMERAS, QEL_VIRTUAL_MICROPHONES, QELDS_XU_MAP, QT_LOGGING_RULES.\n"
        "The last run's log is kept in $XDG_STATE_HOME/corvix/ (~/.local/state/corvix/).\n");
}

CommandLine::Outcome CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    // Qt's single-dash options (-platform xcb) read as long options; so do -h and -v.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption version(QStringList{"v", "version"});
    const QCommandLineOption windowed("windowed");
    const QCommandLineOption camera("camera", QString(), "NAME");
    const QCommandLineOption virtualCamera("virtual-camera", QString(), "N|PROFILE");
    const QCommandLineOption saveFolder("save-folder", QString(), "DIR");
    const QCommandLineOption verbose("verbose");
    parser.addOptions({help, version, windowed, camera, virtualCamera, saveFolder, verbose});
    for (const char* name : kQtValueOptions) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString(), "value"));
    }
    for (const char* name : kQtFlagOptions) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    }

    QStringList args = withVirtualCameraDefault(arguments);
    if (args.isEmpty()) {
        args << QStringLiteral("corvix");
    }
    if (!parser.parse(args)) {
        m_error =
            QStringLiteral("corvix: %1\nTry 'corvix --help' for the options.\n").arg(parser.errorText());
        return ErrorExit;
    }
    if (!parser.positionalArguments().isEmpty()) {
        m_error = QStringLiteral("corvix: unexpected argument '%1'\nTry 'corvix --help' for the options.\n")
                      .arg(parser.positionalArguments().constFirst());
        return ErrorExit;
    }
    if (parser.isSet(help)) {
        m_output = helpText();
        return PrintExit;
    }
    if (parser.isSet(version)) {
        m_output = versionText();
        return PrintExit;
    }
    // The last of a repeated option holds, as with most programs.
    const auto last = [&parser](const QCommandLineOption& option) {
        const QStringList values = parser.values(option);
        return values.isEmpty() ? QString() : values.constLast();
    };
    m_windowed = parser.isSet(windowed);
    m_verbose = parser.isSet(verbose);
    m_camera = last(camera);
    m_virtual = last(virtualCamera);
    m_saveFolder = last(saveFolder);
    if (parser.isSet(camera) && m_camera.isEmpty()) {
        m_error = QStringLiteral("corvix: --camera needs a camera name\n");
        return ErrorExit;
    }
    if (parser.isSet(virtualCamera) && m_virtual.isEmpty()) {
        m_error = QStringLiteral("corvix: --virtual-camera needs a count or a profile file\n");
        return ErrorExit;
    }
    if (parser.isSet(saveFolder)) {
        if (m_saveFolder.isEmpty()) {
            m_error = QStringLiteral("corvix: --save-folder needs a folder\n");
            return ErrorExit;
        }
        m_saveFolder = QDir::cleanPath(QDir::current().absoluteFilePath(m_saveFolder));
    }
    return Run;
}
