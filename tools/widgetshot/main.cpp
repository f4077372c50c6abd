// corvix-widgetshot: renders a widget of the kit (or, later, a screen) to a PNG without a
// display, on the offscreen platform.
//
//   corvix-widgetshot [--scale F] <name> <out.png>
//   corvix-widgetshot --list
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QStyleFactory>
#include <QTextStream>

#include "KitShots.h"
#include "ShotHost.h"
#include "ShotRegistry.h"
#include "UiScale.h"

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName("corvix-widgetshot");
    QCoreApplication::setApplicationVersion("1.0.1(20260320)");

    QCommandLineParser parser;
    parser.setApplicationDescription("Renders a widget of Corvix to a PNG file.");
    parser.addHelpOption();
    const QCommandLineOption listOption("list", "List the widgets that can be rendered.");
    const QCommandLineOption scaleOption("scale", "UI scale factor (default 1.0).", "factor", "1.0");
    parser.addOption(listOption);
    parser.addOption(scaleOption);
    parser.addPositionalArgument("name", "Widget to render, or \"gallery\" for the whole kit.");
    parser.addPositionalArgument("out", "PNG file to write.");
    parser.process(app);

    ShotRegistry registry;
    registerKitShots(registry);

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (parser.isSet(listOption)) {
        for (const ShotRegistry::Entry& entry : registry.entries()) {
            out << entry.name.leftJustified(20) << entry.description << "\n";
        }
        return 0;
    }
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        err << "usage: corvix-widgetshot [--scale F] <name> <out.png>   (--list for the names)\n";
        return 2;
    }
    bool ok = false;
    const double factor = parser.value(scaleOption).toDouble(&ok);
    if (!ok || factor <= 0.0) {
        err << "corvix-widgetshot: bad scale factor: " << parser.value(scaleOption) << "\n";
        return 2;
    }
    const ShotRegistry::Entry* entry = registry.find(args.at(0));
    if (!entry) {
        err << "corvix-widgetshot: unknown widget \"" << args.at(0)
            << "\"; known: " << registry.names().join(", ") << "\n";
        return 2;
    }

    overrideUiScale(factor);  // the offscreen screen is not a real one
    QApplication::setStyle(QStyleFactory::create("Fusion"));

    const QImage image = takeShot(*entry);
    if (image.isNull()) {
        err << "corvix-widgetshot: " << entry->name << " produced no picture\n";
        return 1;
    }
    const QString path = args.at(1);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, "PNG")) {
        err << "corvix-widgetshot: cannot write " << path << "\n";
        return 1;
    }
    out << path << " (" << image.width() << "x" << image.height() << ")\n";
    return 0;
}
