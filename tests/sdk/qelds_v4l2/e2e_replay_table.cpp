// The main window on a replayed camera: waits for the picture, then reads stream 0's row of the
// information table and saves a screenshot with the table shown. Run by e2e_replay.sh under
// Xvfb with QELDS_V4L2_REPLAY set:
//   corvix_e2e_replay_table <output folder> <format> <WxH>
// Prints the row; exit status 0 when it shows the format and size given and a frame rate.
#include <QApplication>
#include <QDebug>

#include "CameraController.h"
#include "E2eDriver.h"
#include "MainWindow.h"
#include "OverlayWidget.h"
#include "VideoInfoTable.h"

using namespace e2e;

int main(int argc, char* argv[]) {
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    const QString out =
        start("e2e replay", argc, argv, 4, "usage: corvix_e2e_replay_table <output folder> <format> <WxH>");
    if (out.isEmpty()) {
        return 1;
    }
    const QString format = QString::fromLocal8Bit(argv[2]);
    const QString size = QString::fromLocal8Bit(argv[3]);

    MainWindow window;
    window.show();
    if (!waitForPicture(window)) {
        return fail("no picture");
    }
    window.controller()->setShowOverlayInfo(true);
    VideoInfoTable* table = window.overlay()->infoPanel();
    auto row = [table] {
        QStringList cells;
        for (int c = 0; c < VideoInfoTable::kColumns; ++c) {
            cells << table->cellText(0, c);
        }
        return cells;
    };
    // The camera's frame rate is measured over about a second: wait for a settled figure.
    const bool shown = waitUntil(
        [&] {
            const QStringList cells = row();
            return table->isVisible() && cells.at(1) == format && cells.at(2) == size &&
                   cells.at(3).toInt() > 0;
        },
        10000);
    qInfo().noquote() << "e2e replay: information row" << row().join(" | ");
    if (!grab(out, "replay_info.png")) {
        return fail("cannot save the screenshot");
    }
    return shown ? 0 : fail("the information table does not show the replayed format");
}
