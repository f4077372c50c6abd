// Vendor features through a UVC extension unit: the GUID and descriptor parsing, the mapping
// file, and reads and writes through UVCIOC_CTRL_QUERY on a replayed camera.
#include <unistd.h>

#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cstdio>

#include "ReplayFixture.h"

using namespace qelds;

namespace {

const char* kUvcSysfs = "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1";
const char* kGuid = "3b1f6c28-7e54-4d9a-9a6e-0c5d21f4b8e7";

std::string mapFor(const char* vid, const char* pid, const std::string& body) {
    return std::string(R"({ "devices": [ { "vid": ")") + vid + R"(", "pid": ")" + pid + R"(", "guid": ")" +
           kGuid + "\", " + body + " } ] }";
}

const std::string kFullMapping =
    R"("features": { "face_tracking": { "selector": 2, "size": 4, "offset": 0, "width": 1 },
                     "canvas": { "selector": 2, "size": 4, "offset": 2, "width": 2 } },
       "masks": { "canvas": { "selector": 3, "size": 8, "offset": 0, "width": 1, "count": 4 },
                  "mosaic": [1, 0, 1] },
       "audio_mode": { "on": { "selector": 3, "size": 8, "offset": 4 },
                       "on1": { "selector": 3, "size": 8, "offset": 5 },
                       "id": { "selector": 3, "size": 8, "offset": 6 } },
       "factory_test_set": { "selector": 3, "size": 8 },
       "sensors": [1, 6], "baffles": [1, 2, 3])";

std::shared_ptr<XuMap> parsedMap(const std::string& text) {
    auto map = std::make_shared<XuMap>();
    std::string error;
    if (!map->parse(text, &error))
        qFatal("map: %s", error.c_str());
    return map;
}

// What the library writes to standard error while `run` runs.
std::string stderrOf(const std::function<void()>& run) {
    QTemporaryFile capture;
    if (!capture.open())
        qFatal("no temporary file");
    std::fflush(stderr);
    const int saved = dup(2);
    dup2(capture.handle(), 2);
    run();
    std::fflush(stderr);
    dup2(saved, 2);
    ::close(saved);
    capture.seek(0);
    return capture.readAll().toStdString();
}

}  // namespace

class TestV4l2Xu : public QObject {
    Q_OBJECT
private slots:
    void guidTextToDescriptorBytes() {
        Guid guid;
        QVERIFY(parseGuid(kGuid, &guid));
        const Guid expected{0x28, 0x6c, 0x1f, 0x3b, 0x54, 0x7e, 0x9a, 0x4d,
                            0x9a, 0x6e, 0x0c, 0x5d, 0x21, 0xf4, 0xb8, 0xe7};
        QVERIFY(guid == expected);
        QVERIFY(parseGuid("{3B1F6C28-7E54-4D9A-9A6E-0C5D21F4B8E7}", &guid));
        QVERIFY(guid == expected);
        QVERIFY(!parseGuid("3b1f6c28-7e54-4d9a-9a6e-0c5d21f4b8", &guid));
        QVERIFY(!parseGuid("3b1f6c28-7e54-4d9a-9a6e-0c5d21f4b8zz", &guid));
    }

    void unitFoundOnlyInWholeVideoControlDescriptors() {
        auto io = loadReplay({"uvc15_h264.json", "webcam_1080p.json"});
        Guid guid;
        QVERIFY(parseGuid(kGuid, &guid));
        std::string full;
        QVERIFY(io->readSysfs(std::string(kUvcSysfs) + "/descriptors", &full));
        // An audio interface before it carries a unit (id 9) with the same bytes: not a video unit.
        QCOMPARE(findExtensionUnit(full, guid), 4);
        std::string other;
        QVERIFY(io->readSysfs("/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/descriptors", &other));
        QCOMPARE(findExtensionUnit(other, guid), -1);
        // Every cut before the end of the unit's descriptor, and a zero length in the middle.
        const size_t unitEnd = full.find(std::string("\x1b\x24\x06\x04", 4)) + 27;
        for (size_t cut = 0; cut < unitEnd; ++cut)
            QCOMPARE(findExtensionUnit(full.substr(0, cut), guid), -1);
        QCOMPARE(findExtensionUnit(full.substr(0, unitEnd), guid), 4);
        std::string zeroLength = full;
        zeroLength[27] = '\0';  // the first descriptor after the configuration header
        QCOMPARE(findExtensionUnit(zeroLength, guid), -1);
    }

    void malformedMapsAreRefused() {
        const std::vector<std::string> bad = {
            "not json",
            R"({ "devices": {} })",
            mapFor("0x2e7e", "0x0815", R"("features": { "zoom_to_moon": { "selector": 1 } })"),
            mapFor("0x2e7e", "0x0815",
                   R"("features": { "pip": { "selector": 1, "size": 2, "offset": 1, "width": 2 } })"),
            mapFor("0x2e7e", "0x0815", R"("features": { "pip": { "selector": 0 } })"),
            mapFor("0x2e7e", "0x0815", R"("masks": { "canvas": { "selector": 3, "size": 4, "count": 8 } })"),
            mapFor("vendor", "0x0815", R"("sensors": [1])"),
        };
        for (const std::string& text : bad) {
            XuMap map;
            std::string error;
            QVERIFY2(!map.parse(text, &error), text.c_str());
            QVERIFY(!error.empty());
            QCOMPARE(int(map.size()), 0);
        }
        XuMap map;
        QVERIFY(map.parse(mapFor("0x2e7e", "*", R"("sensors": [1])"), nullptr));
        QVERIFY(map.find(0x2e7e, 0x1234));
        QVERIFY(!map.find(0x2e7f, 0x0815));
    }

    void missingOrMalformedMapIsWarned() {
        QTemporaryDir dir;
        const std::string malformed = dir.filePath("broken.json").toStdString();
        const std::string missing = dir.filePath("missing.json").toStdString();
        QFile file(QString::fromStdString(malformed));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({ "devices": [ { "vid": "0x2e7e" )");  // cut short
        file.close();
        for (const std::string& path : {malformed, missing}) {
            std::shared_ptr<XuMap> map;
            const std::string said = stderrOf([&] { map = loadXuMapOrWarn(path); });
            QVERIFY2(said.find("warning") != std::string::npos && said.find(path) != std::string::npos,
                     said.c_str());
            QVERIFY(map);
            QCOMPARE(int(map->size()), 0);
        }
        QVERIFY(stderrOf([] { loadXuMapOrWarn(""); }).find("warning") != std::string::npos);
        std::shared_ptr<XuMap> shipped;
        QCOMPARE(stderrOf([&] { shipped = loadXuMapOrWarn(XU_MAP_FILE); }), std::string());
        QVERIFY(shipped);
    }

    void mappedFeaturesReadAndWriteTheUnit() {
        auto io = loadReplay({"uvc15_h264.json"});
        auto camera = firstCamera(io, parsedMap(mapFor("0x2e7e", "0x0815", kFullMapping)));
        QVERIFY(!camera->euSupport(12));  // closed: nothing attached yet
        QVERIFY(camera->open());
        QVERIFY(camera->euSupport(12));
        QVERIFY(camera->euSupport(21));
        QVERIFY(camera->euSupport(25));
        QVERIFY(!camera->euSupport(19));  // pip is not mapped
        QVERIFY(!camera->euSupport(22));  // a mosaic mask alone is no mosaic switch

        QVERIFY(camera->featureSet(Feature::FaceTracking, 1));
        QVERIFY(camera->featureSet(Feature::Canvas, 0x0203));
        QCOMPARE(io->xuValue(kUvcSysfs, 4, 2), (std::vector<uint8_t>{1, 0, 3, 2}));
        int value = 0;
        QVERIFY(camera->featureGet(Feature::Canvas, &value));
        QCOMPARE(value, 0x0203);
        QVERIFY(!camera->featureGet(Feature::Pip, &value));

        std::vector<int> list;
        QVERIFY(camera->featureMask(MaskFeature::Canvas, &list));
        QCOMPARE(list, (std::vector<int>{1, 1, 1, 0}));
        QVERIFY(camera->featureMask(MaskFeature::Mosaic, &list));
        QCOMPARE(list, (std::vector<int>{1, 0, 1}));
        QVERIFY(!camera->featureMask(MaskFeature::HandGesture, &list));

        QVERIFY(camera->audioModeSet(1, 0, 3));
        int on = -1, on1 = -1, id = -1;
        QVERIFY(camera->audioModeGet(&on, &on1, &id));
        QCOMPARE(on, 1);
        QCOMPARE(on1, 0);
        QCOMPARE(id, 3);
        QCOMPARE(io->xuValue(kUvcSysfs, 4, 3), (std::vector<uint8_t>{1, 1, 1, 0, 1, 0, 3, 0}));

        const int test[] = {7, 0x01020304};
        QVERIFY(camera->factoryTestSet(test, 2));
        QCOMPARE(io->xuValue(kUvcSysfs, 4, 3), (std::vector<uint8_t>{7, 0, 0, 0, 4, 3, 2, 1}));
        const int tooMany[] = {1, 2, 3};
        QVERIFY(!camera->factoryTestSet(tooMany, 3));

        QVERIFY(camera->sensorTypes(&list));
        QCOMPARE(list, (std::vector<int>{1, 6}));
        QVERIFY(camera->acousticBaffles(&list));
        QCOMPARE(list, (std::vector<int>{1, 2, 3}));
        camera->close();
        QVERIFY(!camera->featureGet(Feature::FaceTracking, &value));
    }

    void mappingNeedsTheUnitAndTheRightSize() {
        // Mapped for the webcam, whose descriptors have no such unit: nothing is offered.
        auto webcamIo = loadReplay({"webcam_1080p.json"});
        auto webcam = firstCamera(webcamIo, parsedMap(mapFor("0x1bcf", "*", kFullMapping)));
        QVERIFY(webcam->open());
        QVERIFY(!webcam->euSupport(12));
        int value;
        QVERIFY(!webcam->featureGet(Feature::FaceTracking, &value));

        // A mapping that disagrees with the control's length is refused before any write.
        auto io = loadReplay({"uvc15_h264.json"});
        auto camera = firstCamera(
            io,
            parsedMap(mapFor("0x2e7e", "0x0815",
                             R"("features": { "hide_mode": { "selector": 2, "size": 2, "offset": 0 } })")));
        QVERIFY(camera->open());
        QVERIFY(camera->euSupport(18));
        QVERIFY(!camera->featureSet(Feature::HideMode, 1));
        QVERIFY(!camera->featureGet(Feature::HideMode, &value));
        QCOMPARE(io->xuValue(kUvcSysfs, 4, 2), (std::vector<uint8_t>{0, 0, 0, 0}));
    }
};

QTEST_GUILESS_MAIN(TestV4l2Xu)
#include "tst_v4l2xu.moc"
