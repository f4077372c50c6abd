#!/usr/bin/env python3
"""tools/replay-from-listing: the committed replays are its output byte for byte, and damaged or
unusual listings are read as far as they go, with what cannot be read named on standard error.

    test_replay_from_listing.py [path of the tool]
"""

import json
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = os.path.join(HERE, "..", "..", "..", "tools", "replay-from-listing")
LISTINGS = os.path.join(HERE, "listings")
REPLAYS = os.path.join(HERE, "replays", "real")
C920 = "02-logitech-c920-h264.txt"


def run(path):
    done = subprocess.run([sys.executable, TOOL, path], capture_output=True, text=True)
    return done.returncode, done.stdout, done.stderr


def listing_lines(name):
    with open(os.path.join(LISTINGS, name), encoding="utf-8") as f:
        return f.read().split("\n")


def formats_of(replay):
    """{fourcc: [(size or "stepwise", intervals or range)]} of the first node with formats."""
    device = replay["devices"][0]
    node = next(n for n in device["nodes"] if "formats" in n)
    return {f["fourcc"]: f["sizes"] for f in node["formats"]}


# A made-up camera in the older layouts of lsusb and v4l2-ctl.
SYNTHETIC = """\
# camera: a made-up camera in the older layouts
## command: lsusb -v
$ lsusb -v -d 0c45:6366
Bus 003 Device 007: ID 0c45:6366 Microdia
Device Descriptor:
  idVendor           0x0c45 Microdia
  idProduct          0x6366
  bcdDevice            1.02
  iProduct                2 Made Up Camera
  iSerial                 3 SN0042

## command: v4l2-ctl --list-devices
$ v4l2-ctl --list-devices
Other Camera (usb-0000:00:14.0-2):
\t/dev/video0
\t/dev/video1

Made Up Camera (usb-0000:00:14.0-4):
\t/dev/video2
\t/dev/video3

## command: v4l2-ctl -d /dev/video2 -l
user@host:~$ v4l2-ctl -d /dev/video2 -l
                     brightness (int)    : min=0 max=255 step=1 default=128 value=128
                  exposure_auto (menu)   : min=0 max=3 default=1 value=1
                      led1_mode (menu)   : min=0 max=3 default=1 value=1
                   pan_speed 0x009a0920 (int)    : min=-1 max=1 step=1 default=0 value=0
                    zoom_steps 0x0a046d05 (intmenu): min=0 max=2 default=0 value=0

## command: v4l2-ctl --device=/dev/video2 --list-formats-ext
user@host:~$ v4l2-ctl --device=/dev/video2 --list-formats-ext
ioctl: VIDIOC_ENUM_FMT
\tIndex       : 0
\tType        : Video Capture
\tPixel Format: 'MJPG' (compressed)
\tName        : Motion-JPEG
\t\tSize: Discrete 1920x1080
\t\t\tInterval: Discrete 0.033s (29.970 fps)
\t\t\tInterval: Discrete 0.067s (14.985 fps)
\t\tSize: Discrete 1280x720
\t\t\tInterval: Stepwise 0.033s - 1.000s with step 0.033s (1.000-30.000 fps)

\tIndex       : 1
\tType        : Video Capture
\tPixel Format: 'NV12'
\tName        : Y/CbCr 4:2:0
\t\tSize: Discrete 640x480
\t\t\tInterval: Discrete 0.133s (7.500 fps)
\t\tSize: Stepwise 160x120 - 1280x720 with step 16/8
\t\t\tInterval: Continuous 0.017s - 1.000s (1.000-60.000 fps)
"""


class CommittedReplays(unittest.TestCase):
    def test_every_listing_gives_its_replay_byte_for_byte(self):
        listings = sorted(n[:-4] for n in os.listdir(LISTINGS) if n.endswith(".txt"))
        replays = sorted(n[:-5] for n in os.listdir(REPLAYS) if n.endswith(".json"))
        self.assertEqual(listings, replays)
        self.assertEqual(len(listings), 5)
        for name in listings:
            with self.subTest(listing=name):
                status, out, _ = run(os.path.join(LISTINGS, name + ".txt"))
                self.assertEqual(status, 0)
                with open(os.path.join(REPLAYS, name + ".json"), encoding="utf-8") as f:
                    self.assertEqual(out, f.read(), "regenerate: tools/replay-from-listing %s.txt" % name)


class DamagedListings(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.dir = scratch.name
        with open(os.path.join(REPLAYS, C920[:-4] + ".json"), encoding="utf-8") as f:
            self.c920 = json.load(f)

    def write(self, text, name="camera.txt"):
        path = os.path.join(self.dir, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def test_cut_mid_way_keeps_what_came_before(self):
        lines = listing_lines(C920)
        # Cut inside the MJPG list, half-way through a size line.
        mjpg = next(i for i, l in enumerate(lines) if "'MJPG'" in l)
        cut = next(i for i in range(mjpg, len(lines)) if "Size: Discrete 1280x720" in lines[i])
        text = "\n".join(lines[:cut]) + "\n" + lines[cut][: lines[cut].index("x720")]
        status, out, err = run(self.write(text, C920))
        self.assertEqual(status, 0)
        self.assertIn("%s:%d: not understood: Size: Discrete 1280" % (C920, cut + 1), err)
        formats = formats_of(json.loads(out))
        self.assertEqual(list(formats), ["YUYV", "H264", "MJPG"])
        self.assertEqual(formats["YUYV"], formats_of(self.c920)["YUYV"])
        self.assertEqual(formats["MJPG"][-1]["size"], [1024, 576])
        # The controls came before the cut, the replay keeps them all.
        self.assertEqual(json.loads(out)["devices"][0]["controls"], self.c920["devices"][0]["controls"])

        # Cut inside the controls: the control cut short is named and left out, not guessed.
        at = next(i for i, l in enumerate(lines) if "zoom_absolute" in l)
        text = "\n".join(lines[:at]) + "\n" + lines[at][: lines[at].index("max=")]
        status, out, err = run(self.write(text, C920))
        self.assertEqual(status, 2)  # no format list: it came after the controls
        self.assertIn("%s:%d: control 'zoom_absolute' without its range: left out" % (C920, at + 1), err)

    def test_no_format_list_at_all_is_status_2(self):
        lines = listing_lines(C920)
        before = next(i for i, l in enumerate(lines) if "ioctl: VIDIOC_ENUM_FMT" in l)
        status, out, err = run(self.write("\n".join(lines[:before]) + "\n"))
        self.assertEqual(status, 2)
        self.assertEqual(out, "")
        self.assertIn("no format list", err)
        status, _, _ = run(self.write(""))
        self.assertEqual(status, 2)
        status, _, err = run(os.path.join(self.dir, "missing.txt"))
        self.assertEqual(status, 1)
        self.assertIn("cannot read", err)

    def test_unknown_sections_and_lines_are_named_and_change_nothing(self):
        lines = listing_lines(C920)
        at = next(i for i, l in enumerate(lines) if l.startswith("## v4l2-ctl --list-devices"))
        extra = ["## command: dmesg | grep uvc", "[    2.1] uvcvideo: Found UVC 1.00 device", ""]
        lines[at:at] = extra
        garbage_at = next(i for i, l in enumerate(lines) if "[1]: 'H264'" in l)
        lines.insert(garbage_at, "\tSomething v4l2-ctl never prints")
        status, out, err = run(self.write("\n".join(lines), C920))
        self.assertEqual(status, 0)
        self.assertIn("%s:%d: section 'command: dmesg | grep uvc'" % (C920, at + 2), err)
        self.assertIn("%s:%d: not understood: Something" % (C920, garbage_at + 1), err)
        self.assertNotIn("uvcvideo: Found", err)
        self.assertEqual(json.loads(out), self.c920)

    def test_a_format_without_sizes_is_left_out(self):
        lines = listing_lines(C920)
        # One size without intervals: replayed at the camera's own rate.
        size = next(i for i, l in enumerate(lines) if "Size: Discrete 160x90" in l)
        while "Interval" in lines[size + 1]:
            del lines[size + 1]
        h264 = next(i for i, l in enumerate(lines) if "'H264'" in l)
        mjpg = next(i for i, l in enumerate(lines) if "'MJPG'" in l)
        del lines[h264 + 1:mjpg]
        status, out, err = run(self.write("\n".join(lines), C920))
        self.assertEqual(status, 0)
        self.assertIn("%s:%d: format 'H264' has no sizes: left out" % (C920, h264 + 1), err)
        self.assertIn("%s:%d: size without frame intervals" % (C920, size + 1), err)
        formats = formats_of(json.loads(out))
        self.assertEqual(list(formats), ["YUYV", "MJPG"])
        self.assertEqual(formats["YUYV"][1], {"size": [160, 90], "intervals": []})

    def test_older_layouts_and_the_other_camera_of_the_device_list(self):
        status, out, err = run(self.write(SYNTHETIC))
        self.assertEqual(status, 0, err)
        device = json.loads(out)["devices"][0]
        self.assertEqual(device["attributes"], {"idVendor": "0c45", "idProduct": "6366", "bcdDevice": "0102",
                                                "serial": "SN0042", "busnum": "3", "devnum": "7"})
        self.assertEqual(device["sysfs"], "/sys/devices/replay/usb-0000:00:14.0-4")
        # Only the listed camera's nodes; the one without a format list is named.
        self.assertEqual([n["path"] for n in device["nodes"]], ["/dev/video2", "/dev/video3"])
        self.assertEqual(device["nodes"][0]["card"], "Made Up Camera")
        self.assertIn("/dev/video3 has no format list", err)
        # Controls without ids by their names; unknown names and unreplayed types named, left out.
        self.assertEqual([(c["id"], c["name"]) for c in device["controls"]],
                         [("0x00980900", "brightness"), ("0x009a0901", "exposure_auto"),
                          ("0x009a0920", "pan_speed")])
        self.assertIn("control 'led1_mode' has no id and an unknown name", err)
        self.assertIn("control 'zoom_steps' of type intmenu is not replayed", err)
        self.assertEqual(device["controls"][1]["menu"], [0, 1, 2, 3])
        self.assertIn("menu items of 'exposure_auto' not listed: every index from min to max offered", err)
        formats = formats_of(json.loads(out))
        self.assertEqual(list(formats), ["MJPG", "NV12"])
        self.assertEqual(formats["MJPG"], [
            {"size": [1920, 1080], "intervals": [[1001, 30000], [1001, 15000]]},  # NTSC-style rates
            {"size": [1280, 720], "interval_range": {"min": [1, 30], "max": [1, 1], "step": [1, 30]}}])
        self.assertEqual(formats["NV12"], [
            {"size": [640, 480], "intervals": [[2, 15]]},
            {"stepwise": {"min": [160, 120], "max": [1280, 720], "step": [16, 8]},
             "interval_range": {"min": [1, 60], "max": [1, 1]}}])


if __name__ == "__main__":
    if len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
        TOOL = sys.argv.pop(1)
    unittest.main()
