#!/usr/bin/env python3
"""Writes every SVG icon of Corvix into resources/icons/ (and the PNG sources into a work folder).

The icons are plain SVG Tiny 1.2 (presentation attributes only, no CSS, filters, masks or clip
paths) so that QtSvg renders them exactly. Each glyph is drawn in a 100 x 100 unit box and placed
into its canvas by a translate/scale group; stroke widths are given in final pixels and converted.

Usage: make_icons.py <icons dir> <png source dir>
The PNG files are rendered from the sources in <png source dir> by render_pngs.sh.
"""
import math
import os
import sys

WHITE = "#FFFFFF"
ACCENT = "#409EFF"
ORANGE = "#FF8B59"
GREY = "#7B7E80"
LIGHT = "#C3C4C5"
DARK = "#34383C"
DARKER = "#2f3437"
BLUE_BUTTON = "#0079FF"


def f(v):
    """Compact number formatting."""
    s = "%.2f" % v
    s = s.rstrip("0").rstrip(".")
    return "0" if s == "-0" else s


def svg(w, h, body, vb=None):
    vb = vb or (0, 0, w, h)
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        '<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
        'width="%s" height="%s" viewBox="%s %s %s %s">\n%s</svg>\n'
        % (f(w), f(h), f(vb[0]), f(vb[1]), f(vb[2]), f(vb[3]), body)
    )


class Pen:
    """Stroke style of a glyph: colour, width in glyph units, opacity and the detail colour."""

    def __init__(self, color=WHITE, width=6.0, opacity=1.0, accent=ACCENT):
        self.color = color
        self.width = width
        self.opacity = opacity
        self.accent = accent

    def stroke(self, color=None, width=None, opacity=None):
        c = color or self.color
        w = self.width if width is None else width
        o = self.opacity if opacity is None else opacity
        a = 'fill="none" stroke="%s" stroke-width="%s" stroke-linecap="round" stroke-linejoin="round"' % (
            c, f(w))
        if o < 1.0:
            a += ' stroke-opacity="%s"' % f(o)
        return a

    def fill(self, color=None, opacity=None):
        c = color or self.color
        o = self.opacity if opacity is None else opacity
        a = 'fill="%s" stroke="none"' % c
        if o < 1.0:
            a += ' fill-opacity="%s"' % f(o)
        return a


def place(body, x, y, s):
    return '<g transform="translate(%s %s) scale(%s)">\n%s</g>\n' % (f(x), f(y), f(s), body)


def path(d, attrs):
    return '<path d="%s" %s/>\n' % (d, attrs)


def circle(cx, cy, r, attrs):
    return '<circle cx="%s" cy="%s" r="%s" %s/>\n' % (f(cx), f(cy), f(r), attrs)


def rect(x, y, w, h, rx, attrs):
    return '<rect x="%s" y="%s" width="%s" height="%s" rx="%s" %s/>\n' % (
        f(x), f(y), f(w), f(h), f(rx), attrs)


# ---------------------------------------------------------------------------------------------
# Glyphs, each in a 100 x 100 unit box.
# ---------------------------------------------------------------------------------------------


def g_gear(p):
    teeth, ro, ri = 8, 45.0, 35.0
    pts = []
    for k in range(teeth):
        a0 = 2 * math.pi * k / teeth
        step = 2 * math.pi / teeth
        for frac, r in ((-0.30, ri), (-0.17, ro), (0.17, ro), (0.30, ri)):
            a = a0 + frac * step
            pts.append((50 + r * math.sin(a), 50 - r * math.cos(a)))
    d = "M" + " L".join("%s %s" % (f(x), f(y)) for x, y in pts) + " Z"
    return path(d, p.stroke()) + circle(50, 50, 14, p.stroke())


def g_folder(p):
    d = ("M10 78 V24 Q10 18 16 18 H37 Q40 18 42 21 L47 28 H84 Q90 28 90 34 V78 Q90 84 84 84 H16 "
         "Q10 84 10 78 Z")
    return path(d, p.stroke()) + path("M10 42 H90", p.stroke())


def g_exit(p):
    return (path("M54 14 H24 Q16 14 16 22 V78 Q16 86 24 86 H54", p.stroke())
            + path("M40 50 H88", p.stroke()) + path("M72 34 L88 50 L72 66", p.stroke()))


def g_camera(p):
    return (path("M16 30 H32 L39 19 H61 L68 30 H84 Q92 30 92 38 V76 Q92 84 84 84 H16 Q8 84 8 76 V38 "
                 "Q8 30 16 30 Z", p.stroke())
            + circle(50, 56, 17, p.stroke()) + circle(78, 42, 3.5, p.fill()))


def g_corners(p, inset=6, length=20, color=None):
    a, b = inset, 100 - inset
    l = length
    d = ("M%s %s V%s H%s M%s %s H%s V%s M%s %s V%s H%s M%s %s H%s V%s" % (
        a, a + l, a, a + l, b - l, a, b, a + l, b, b - l, b, b - l, a + l, b, a, b - l))
    return path(d, p.stroke(color=color))


def g_bust(p, cx=50, top=18, scale=1.0):
    s = scale
    r = 14 * s
    head = circle(cx, top + r, r, p.stroke())
    y0 = top + 2 * r + 8 * s
    d = "M%s %s Q%s %s %s %s Q%s %s %s %s" % (
        f(cx - 27 * s), f(y0 + 26 * s), f(cx - 27 * s), f(y0), f(cx), f(y0), f(cx + 27 * s), f(y0),
        f(cx + 27 * s), f(y0 + 26 * s))
    return head + path(d, p.stroke())


def g_face(p, cx=50, cy=50, r=30):
    k = r / 30.0
    return (circle(cx, cy, r, p.stroke())
            + circle(cx - 10 * k, cy - 6 * k, 3.5 * k, p.fill())
            + circle(cx + 10 * k, cy - 6 * k, 3.5 * k, p.fill())
            + path("M%s %s Q%s %s %s %s" % (f(cx - 11 * k), f(cy + 8 * k), f(cx), f(cy + 18 * k),
                                             f(cx + 11 * k), f(cy + 8 * k)), p.stroke()))


def g_mic(p, cx=50, top=12, s=1.0):
    def P(x, y):
        return "%s %s" % (f(cx + x * s), f(top + y * s))

    return (rect(cx - 11 * s, top, 22 * s, 44 * s, 11 * s, p.stroke())
            + path("M%s Q%s %s Q%s %s" % (P(-22, 32), P(-22, 58), P(0, 58), P(22, 58), P(22, 32)), p.stroke())
            + path("M%s V%s M%s H%s" % (P(0, 58), f(top + 72 * s), P(-12, 72), f(cx + 12 * s)), p.stroke()))


def g_speaker(p, waves=2):
    out = path("M12 38 H28 L48 20 V80 L28 62 H12 Z", p.stroke())
    if waves >= 1:
        out += path("M62 36 Q72 50 62 64", p.stroke())
    if waves >= 2:
        out += path("M72 24 Q90 50 72 76", p.stroke())
    return out


def hand_path(fingers, thumb_out, x0=0.0, y0=0.0, s=1.0):
    """Outline of a right hand seen from the palm: fingers = tip heights (None = folded)
    for index, middle, ring and little finger; thumb_out = thumb spread to the side.
    Neighbouring fingers share the line between them, so the outline is one path."""
    w = 13.0
    r = w / 2
    left = 25.0
    right = left + 4 * w
    base = 52.0
    folded = 38.0

    def P(x, y):
        return "%s %s" % (f(x0 + x * s), f(y0 + y * s))

    def A(x, y, rr=r):
        return "A%s %s 0 0 1 %s" % (f(rr * s), f(rr * s), P(x, y))

    d = "M" + P(left + 4, 95) + " L" + P(left, 80)
    if thumb_out:
        ax, ay, bx, by = left + 4.0, 72.0, 9.0, 46.0
        ln = math.hypot(bx - ax, by - ay)
        dx, dy = (bx - ax) / ln, (by - ay) / ln
        nx, ny = dy, -dx  # outer side (left, down)
        d += " L" + P(ax + nx * r, ay + ny * r) + " L" + P(bx + nx * r, by + ny * r)
        d += " " + A(bx - nx * r, by - ny * r)
        ix, iy = bx - nx * r, by - ny * r
        t = (left - ix) / ((ax - nx * r) - ix)
        d += " L" + P(left, iy + t * ((ay - ny * r) - iy))
    d += " L" + P(left, base)
    for i, tip in enumerate(fingers):
        lx = left + w * i
        rx = lx + w
        top = folded if tip is None else tip
        d += " L" + P(lx, top + r) + " " + A(rx, top + r) + " L" + P(rx, base)
    d += " L" + P(right, 80) + " L" + P(right - 4, 95)
    extra = ""
    if not thumb_out:
        extra = "M" + P(left, 60) + " L" + P(56, 60) + " " + A(56, 72) + " L" + P(left + 2, 72)
    return d, extra


def g_hand(p, fingers=(16, 8, 12, 24), thumb_out=True, x0=0.0, y0=0.0, s=1.0):
    d, extra = hand_path(fingers, thumb_out, x0, y0, s)
    out = path(d, p.stroke())
    if extra:
        out += path(extra, p.stroke())
    return out


OPEN_HAND = dict(fingers=(16, 8, 12, 24), thumb_out=True)
FIST = dict(fingers=(None, None, None, None), thumb_out=False)


def g_standing(p, cx=50, arms=True):
    half = 9 if arms else 14
    out = circle(cx, 17, 9, p.stroke())
    out += path("M%s 92 V%s Q%s 33 %s 33 Q%s 33 %s %s V92 M%s 64 V92" % (
        f(cx - half), f(33 + half + 2), f(cx - half), f(cx), f(cx + half), f(cx + half), f(33 + half + 2), f(cx)),
        p.stroke())
    if arms:
        out += path("M%s 42 V64 M%s 42 V64" % (f(cx - 18), f(cx + 18)), p.stroke())
    return out


def g_sitting(p):
    return (circle(42, 17, 9, p.stroke())
            + path("M33 66 V44 Q33 33 42 33 Q51 33 51 44 V54 H66 Q72 54 72 60 V92", p.stroke())
            + path("M33 66 H62 V92", p.stroke())
            + path("M22 36 V92 M22 72 H31", p.stroke()))


def g_board(p, surface=None, writing=True):
    out = ""
    if surface:
        out += rect(12, 20, 76, 50, 4, 'fill="%s" stroke="none"' % surface)
    out += rect(12, 20, 76, 50, 4, p.stroke())
    out += path("M50 12 V20 M32 70 L24 90 M68 70 L76 90", p.stroke())
    if writing:
        out += path("M24 36 H52 M24 48 H62 M24 58 H44", p.stroke(color=p.accent, width=p.width * 0.7))
    return out


def tile(x, y, w, h, p, head=True):
    out = rect(x, y, w, h, 4, p.stroke())
    if head:
        cx = x + w / 2.0
        r = min(w, h) * 0.16
        cy = y + h * 0.42
        out += circle(cx, cy, r, p.fill())
        out += path("M%s %s Q%s %s %s %s" % (f(cx - r * 2), f(y + h), f(cx), f(cy + r * 0.6), f(cx + r * 2),
                                           f(y + h)), p.fill())
    return out


def g_gallery(p):
    return (tile(8, 12, 84, 48, p) + tile(8, 68, 24, 20, p, False) + tile(38, 68, 24, 20, p, False)
            + tile(68, 68, 24, 20, p, False))


def g_grid(p):
    return tile(8, 12, 40, 36, p) + tile(52, 12, 40, 36, p) + tile(8, 52, 40, 36, p) + tile(52, 52, 40, 36, p)


def g_roundtable(p):
    out = '<ellipse cx="50" cy="58" rx="30" ry="16" %s/>\n' % p.stroke()
    for cx, cy in ((50, 24), (16, 40), (84, 40), (20, 84), (80, 84)):
        out += circle(cx, cy, 7.5, p.fill())
    return out


def g_mosaic(p):
    out = ""
    cells = ((0, 1), (0, 2), (1, 0), (1, 1), (1, 2), (1, 3), (2, 0), (2, 1), (2, 2), (2, 3), (3, 1), (3, 2))
    for row, col in cells:
        op = 0.95 if (row + col) % 2 == 0 else 0.45
        out += rect(26 + col * 12.5, 8 + row * 12.5, 11, 11, 1.5, p.fill(opacity=op * p.opacity))
    out += path("M14 94 Q14 66 50 66 Q86 66 86 94", p.stroke())
    return out


def sparkle(cx, cy, r, attrs):
    k = r * 0.28
    d = "M%s %s Q%s %s %s %s Q%s %s %s %s Q%s %s %s %s Q%s %s %s %s Z" % (
        f(cx), f(cy - r), f(cx + k), f(cy - k), f(cx + r), f(cy), f(cx + k), f(cy + k), f(cx), f(cy + r),
        f(cx - k), f(cy + k), f(cx - r), f(cy), f(cx - k), f(cy - k), f(cx), f(cy - r))
    return path(d, attrs)


def g_beautify(p):
    return (g_face(p, 44, 56, 30) + sparkle(80, 18, 14, p.fill(color=ORANGE))
            + sparkle(90, 44, 7, p.fill(color=ORANGE)))


def g_background(p):
    out = ""
    for i, (cx, cy, r) in enumerate(((14, 16, 6), (34, 10, 4), (80, 12, 7), (92, 34, 4), (8, 40, 4),
                                     (66, 8, 3.5))):
        out += circle(cx, cy, r, p.fill(opacity=(0.35 if i % 2 else 0.55) * p.opacity))
    return out + g_bust(p, 50, 20, 1.25)


def g_arrows4(p, cx=50, cy=50, r=40, head=10):
    out = ""
    for dx, dy in ((0, -1), (0, 1), (-1, 0), (1, 0)):
        tx, ty = cx + dx * r, cy + dy * r
        bx, by = cx + dx * (r - head), cy + dy * (r - head)
        px, py = -dy * head, dx * head
        out += path("M%s %s L%s %s L%s %s" % (f(bx + px), f(by + py), f(tx), f(ty), f(bx - px), f(by - py)),
                    p.stroke())
    return out


def g_image(p):
    return (rect(10, 18, 80, 64, 8, p.stroke()) + path("M10 70 L36 46 L54 62 L66 52 L90 72", p.stroke())
            + sparkle(68, 36, 10, p.fill()))


def g_device(p):
    return (rect(10, 16, 80, 54, 7, p.stroke()) + path("M36 86 H64 M50 70 V86", p.stroke())
            + circle(50, 31, 3.5, p.fill()) + path("M50 42 V56", p.stroke()))


def g_ptz(p):
    s = 0.56
    return g_arrows4(p, 50, 50, 46, 9) + g_hand(p, x0=50 - 50 * s, y0=48 - 50 * s, s=s, **OPEN_HAND)


def g_hand_camera(p):
    # a small camera held above an open hand: the camera obeys hand signs
    cam = place(g_camera(scaled_pen(p, 0.44)), 28, 2, 0.44)
    return cam + g_hand(p, x0=18, y0=30, s=0.68, **OPEN_HAND)


# ---------------------------------------------------------------------------------------------
# Canvases
# ---------------------------------------------------------------------------------------------

DISC_STATES = ("normal", "focus", "pressed", "disabled")


def disc(state):
    """Round button face of the overlay (120 x 120) and the pen for its glyph."""
    if state == "normal":
        face = circle(60, 60, 56, 'fill="#000000" fill-opacity="0.38" stroke="%s" stroke-opacity="0.35" '
                                  'stroke-width="2"' % WHITE)
        pen = Pen(WHITE)
    elif state == "focus":
        face = circle(60, 60, 56, 'fill="%s" fill-opacity="0.85" stroke="%s" stroke-width="3"' % (DARK, ACCENT))
        pen = Pen(WHITE)
    elif state == "pressed":
        face = circle(60, 60, 56, 'fill="%s" stroke="%s" stroke-opacity="0.6" stroke-width="2"' % (ACCENT, WHITE))
        pen = Pen(WHITE, accent=WHITE)
    elif state == "selected":
        face = circle(60, 60, 56, 'fill="%s" fill-opacity="0.9" stroke="%s" stroke-width="3"' % (ACCENT, WHITE))
        pen = Pen(WHITE, accent=WHITE)
    else:  # disabled
        face = circle(60, 60, 56, 'fill="#000000" fill-opacity="0.25" stroke="%s" stroke-opacity="0.4" '
                                  'stroke-width="2"' % GREY)
        pen = Pen(LIGHT, opacity=0.4, accent=LIGHT)
    return face, pen


def disc_icon(glyph, state, px_width=4.5, box=60):
    face, pen = disc(state)
    s = box / 100.0
    pen.width = px_width / s
    off = 60 - box / 2.0
    return svg(120, 120, face + place(glyph(pen), off, off, s))


def shutter_icon(kind, state):
    face, pen = disc(state)
    ring = circle(60, 60, 38, pen.stroke(width=5))
    if kind == "capture":
        inner = circle(60, 60, 29, pen.fill())
    elif kind == "record":
        col = ORANGE if state in ("normal", "focus") else pen.color
        inner = circle(60, 60, 20, pen.fill(color=col))
    else:  # stop
        col = ORANGE if state in ("normal", "focus") else pen.color
        inner = rect(46, 46, 28, 28, 5, pen.fill(color=col))
    return svg(120, 120, face + ring + inner)


def plain_icon(glyph, w, h, px_width, color=WHITE, accent=ACCENT, box=None, opacity=1.0):
    """A glyph without background, centred in a w x h canvas, scaled to box (default: min(w, h))."""
    box = box or min(w, h)
    s = box / 100.0
    pen = Pen(color, px_width / s, opacity, accent)
    return svg(w, h, place(glyph(pen), (w - box) / 2.0, (h - box) / 2.0, s))


def legend_icon(glyph, badge_glyph=None, badge_color=ACCENT):
    """Gesture legend item, 120 x 120 on the dark popup: the hand sign, optionally with a round
    badge naming what it does in the top right corner."""
    s = 0.9
    pen = Pen(WHITE, 4.5 / s)
    body = place(glyph(pen), 2, 10, s)
    if badge_glyph:
        bs = 0.28
        bpen = Pen(WHITE, 2.6 / bs, accent=WHITE)
        body += circle(97, 23, 21, 'fill="%s" stroke="#121212" stroke-width="3"' % badge_color)
        body += place(badge_glyph(bpen), 97 - 50 * bs, 23 - 50 * bs, bs)
    return svg(120, 120, body)


def g_cross(p, x0=20, y0=20, x1=80, y1=80):
    return path("M%s %s L%s %s M%s %s L%s %s" % (x0, y0, x1, y1, x1, y0, x0, y1), p.stroke())


def g_plus(p):
    return path("M50 22 V78 M22 50 H78", p.stroke())


def g_minus(p):
    return path("M22 50 H78", p.stroke())


def g_eye_off(p):
    return (path("M10 50 Q50 12 90 50 Q50 88 10 50 Z", p.stroke()) + circle(50, 50, 12, p.stroke())
            + path("M18 84 L82 16", p.stroke()))


def g_pip(p):
    return rect(8, 16, 84, 68, 8, p.stroke()) + rect(50, 48, 32, 26, 4, p.fill())


def scaled_pen(p, s):
    return Pen(p.color, p.width / s, p.opacity, p.accent)


def tracked(inner, s=0.7):
    def draw(p):
        off = 50 - 50 * s
        return g_corners(p, 2, 18) + place(inner(scaled_pen(p, s)), off, off, s)

    return draw


def board_with_scan(surface, writing_color=None):
    def draw(p):
        q = Pen(p.color, p.width, p.opacity, writing_color or p.accent)
        s = 0.7
        return (place(g_board(scaled_pen(q, s), surface), 15, 12, s)
                + g_corners(Pen(ACCENT if p.color == WHITE else p.color, p.width, p.opacity), 4, 16))

    return draw


# ---------------------------------------------------------------------------------------------
# The icon set
# ---------------------------------------------------------------------------------------------


def build(out_dir, png_dir):
    icons = {}

    glyphs = {"setting": g_gear, "file": g_folder, "exit": g_exit}
    for name, glyph in glyphs.items():
        for state in DISC_STATES:
            if name == "exit" and state == "focus":
                continue  # the exit button uses its pressed face for hover as well
            icons["%s_%s.svg" % (name, state)] = disc_icon(glyph, state)
    for kind, name in (("capture", "capture"), ("record", "record"), ("stop", "recordStop")):
        for state in DISC_STATES:
            icons["%s_%s.svg" % (name, state)] = shutter_icon(kind, state)

    # Active camera feature shown on the overlay (one face for all states).
    features = {
        "gesture_ptz_control": (g_ptz, "normal"),
        "facetracking": (tracked(g_bust), "normal"),
        "facetrackingG": (tracked(g_bust), "selected"),
        "soungtracking": (tracked(g_mic), "normal"),
        "soungtrackingG": (tracked(g_mic), "selected"),
        "handtracking": (tracked(lambda p: g_hand(p, **OPEN_HAND)), "normal"),
        "standtracking": (tracked(lambda p: g_standing(p, arms=False)), "normal"),
        "standtrackingG": (tracked(lambda p: g_standing(p, arms=False)), "selected"),
        "whiteboardTracking": (tracked(lambda p: g_board(p)), "normal"),
        "whiteboardTrackingG": (tracked(lambda p: g_board(p)), "selected"),
        "background": (g_background, "normal"),
        "beautify": (g_beautify, "normal"),
        "cameraControl": (g_hand_camera, "normal"),
        "whiteboardDetect": (board_with_scan("#FFFFFF", GREY), "normal"),
        "blackboardDetect": (board_with_scan("#15181A", LIGHT), "normal"),
        "greenboardDetect": (board_with_scan("#2F7A52", WHITE), "normal"),
        "gallery": (g_gallery, "normal"),
        "grid": (g_grid, "normal"),
        "roundtable": (g_roundtable, "normal"),
        "mosaic": (g_mosaic, "normal"),
    }
    thin = ("gesture_ptz_control", "cameraControl")
    for name, (glyph, state) in features.items():
        if name in thin:
            width = 3.2
        elif "tracking" in name:
            width = 3.4
        else:
            width = 4.0
        icons[name + ".svg"] = disc_icon(glyph, state, px_width=width, box=66)

    # Explanations shown in the feature popup.
    for name, glyph in (("gallery_normal", g_gallery), ("grid_normal", g_grid), ("roundtable_normal", g_roundtable),
                        ("beautify_normal", g_beautify), ("background_normal", g_background),
                        ("mosaic_normal", g_mosaic)):
        icons[name + ".svg"] = plain_icon(glyph, 60, 60, 2.6)

    def face_wide(p):
        return (g_corners(Pen(ACCENT, p.width, accent=p.accent), 2, 18) + place(g_bust(scaled_pen(p, 0.7)), 15, 12, 0.7))

    icons["face.svg"] = plain_icon(face_wide, 140, 100, 3.5, box=100)

    def sound_wide(p):
        # speaker on the left, sound waves towards the camera frame around the person on the right
        s = 0.6
        out = place(g_bust(scaled_pen(p, s)), 100 + 50 - 50 * s, 20, s)
        for i, r in enumerate((14, 26, 38)):
            op = 1.0 - 0.25 * i
            out += path("M%s %s Q%s 50 %s %s" % (f(60 + r * 0.5), f(50 - r), f(60 + r * 1.25), f(60 + r * 0.5),
                                                 f(50 + r)), p.stroke(color=ACCENT, opacity=op))
        out += place(g_mic(scaled_pen(p, 0.7)), 4, 14, 0.7)
        # frame corners around the person
        k = Pen(ACCENT, p.width)
        out += path("M128 26 V14 H140 M160 14 H172 V26 M172 74 V86 H160 M140 86 H128 V74", k.stroke())
        return out

    icons["sound.svg"] = svg(200, 100, place(sound_wide(Pen(WHITE, 3.5)), 0, 0, 1.0))

    # Gesture legends (120 x 120 on the dark popup).
    icons["handle.svg"] = legend_icon(lambda p: g_hand(p, **OPEN_HAND))
    icons["handleclose.svg"] = legend_icon(lambda p: g_hand(p, **FIST))
    icons["stand.svg"] = legend_icon(g_standing)
    icons["stand_cancel.svg"] = legend_icon(g_sitting)
    icons["PTZ1.svg"] = legend_icon(lambda p: g_hand(p, **OPEN_HAND), g_plus)
    icons["PTZ2.svg"] = legend_icon(lambda p: g_hand(p, **FIST), g_minus)
    icons["PTZ3.svg"] = legend_icon(lambda p: g_hand(p, fingers=(16, None, None, None), thumb_out=False),
                                    lambda p: g_arrows4(p, 50, 50, 34, 12))
    icons["cameracontrol_face.svg"] = legend_icon(
        lambda p: g_hand(p, fingers=(16, None, None, None), thumb_out=False), lambda p: g_face(p, 50, 50, 34))
    icons["cameracontrol_sound.svg"] = legend_icon(
        lambda p: g_hand(p, fingers=(16, 8, None, None), thumb_out=False), lambda p: g_mic(p, 50, 8, 1.15))
    icons["cameracontrol_hand.svg"] = legend_icon(
        lambda p: g_hand(p, fingers=(16, 8, 12, None), thumb_out=False), lambda p: g_hand(p, **OPEN_HAND))
    icons["cameracontrol_hide.svg"] = legend_icon(
        lambda p: g_hand(p, fingers=(16, 8, 12, 24), thumb_out=False), g_eye_off)
    icons["cameracontrol_mode.svg"] = legend_icon(
        lambda p: g_hand(p, fingers=(None, None, None, 24), thumb_out=True), g_pip)
    icons["cameracontrol_cancel.svg"] = legend_icon(lambda p: g_hand(p, **FIST),
                                                    lambda p: g_cross(p, 28, 28, 72, 72), ORANGE)

    # Settings panel tabs (40 x 40 inside a 190 x 60 tab).
    icons["settingCamera_normal.svg"] = plain_icon(g_camera, 40, 40, 2.4)
    icons["settingImage_normal.svg"] = plain_icon(g_image, 40, 40, 2.4)
    icons["settingDevice_normal.svg"] = plain_icon(g_device, 40, 40, 2.4)

    # Small parts of the widget kit.
    icons["switch_normal.svg"] = svg(94, 42, rect(1, 1, 92, 40, 20, 'fill="%s" stroke="none"' % ACCENT)
                                     + circle(73, 21, 16, 'fill="%s" stroke="none"' % WHITE))
    icons["switch_close.svg"] = svg(94, 42, rect(1, 1, 92, 40, 20, 'fill="%s" stroke="none"' % GREY)
                                    + circle(21, 21, 16, 'fill="%s" stroke="none"' % LIGHT))
    loader = (circle(60, 60, 46, 'fill="none" stroke="%s" stroke-opacity="0.18" stroke-width="10"' % WHITE)
              + path("M60 14 A46 46 0 0 1 106 60", 'fill="none" stroke="%s" stroke-width="10" '
                                                   'stroke-linecap="round"' % ACCENT))
    icons["loader.svg"] = svg(120, 120, loader)
    dots = ""
    for k in range(12):
        a = 2 * math.pi * k / 12
        op = 0.15 + 0.85 * (k / 11.0)
        col = ACCENT if k == 11 else WHITE
        dots += circle(100 + 72 * math.sin(a), 100 - 72 * math.cos(a), 6 + 5 * (k / 11.0),
                       'fill="%s" fill-opacity="%s" stroke="none"' % (col, f(op)))
    icons["loadding.svg"] = svg(200, 200, dots)

    def nocamera(p):
        return g_camera(p) + path("M12 12 L88 88", p.stroke(color=ORANGE))

    icons["nocamera.svg"] = plain_icon(nocamera, 60, 60, 3.0, color=LIGHT)
    icons["combox.svg"] = svg(16, 16, path("M4 6 L8 10 L12 6", 'fill="none" stroke="%s" stroke-width="1.6" '
                                                              'stroke-linecap="round" stroke-linejoin="round"' % LIGHT))
    icons["selectimage.svg"] = svg(20, 20, path("M5 10.5 L8.5 14 L15 6.5", 'fill="none" stroke="%s" '
                                                                             'stroke-width="2.4" stroke-linecap="round" '
                                                                             'stroke-linejoin="round"' % WHITE))
    icons["close.svg"] = svg(40, 40, circle(20, 20, 18, 'fill="%s" fill-opacity="0.08" stroke="none"' % WHITE)
                             + path("M13 13 L27 27 M27 13 L13 27", 'fill="none" stroke="%s" stroke-width="2.6" '
                                                                   'stroke-linecap="round"' % LIGHT))
    icons["audio.svg"] = plain_icon(lambda p: g_speaker(p, 2), 36, 36, 2.6)
    icons["volume1.svg"] = plain_icon(lambda p: g_speaker(p, 1), 32, 32, 2.4)

    # Sources of the PNG icons.
    pngs = {
        "select.svg": svg(32, 32, path("M7 16.5 L13.5 23 L25.5 9.5", 'fill="none" stroke="%s" stroke-width="3.4" '
                                                                      'stroke-linecap="round" stroke-linejoin="round"'
                                      % ORANGE)),
        "streamSelect_check.svg": svg(16, 16, circle(8, 8, 7.5, 'fill="%s" stroke="none"' % WHITE)
                                      + path("M4.6 8.2 L7 10.6 L11.4 5.6", 'fill="none" stroke="%s" '
                                                                            'stroke-width="1.8" stroke-linecap="round" '
                                                                            'stroke-linejoin="round"' % BLUE_BUTTON)),
        "streamSelect_normal.svg": svg(16, 16, circle(8, 8, 6.75, 'fill="#000000" fill-opacity="0.12" stroke="%s" '
                                                                  'stroke-opacity="0.85" stroke-width="1.5"' % WHITE)),
        "corvix_logo.svg": logo(),
    }

    os.makedirs(out_dir, exist_ok=True)
    os.makedirs(png_dir, exist_ok=True)
    for name, text in sorted(icons.items()):
        with open(os.path.join(out_dir, name), "w") as fh:
            fh.write(text)
    for name, text in sorted(pngs.items()):
        with open(os.path.join(png_dir, name), "w") as fh:
            fh.write(text)
    return sorted(icons), sorted(pngs)


def logo():
    """Application logo: a camera lens seen from the front, iris blades around a blue pupil."""
    c = 128
    body = '<defs>\n<radialGradient id="pupil" cx="0.4" cy="0.38" r="0.7">\n' \
           '<stop offset="0" stop-color="#8CC5FF"/>\n<stop offset="0.55" stop-color="%s"/>\n' \
           '<stop offset="1" stop-color="#1C5FB0"/>\n</radialGradient>\n</defs>\n' % ACCENT
    body += circle(c, c, 122, 'fill="%s" stroke="none"' % DARKER)
    body += circle(c, c, 110, 'fill="none" stroke="%s" stroke-width="14"' % ACCENT)
    body += circle(c, c, 90, 'fill="none" stroke="%s" stroke-opacity="0.35" stroke-width="3"' % WHITE)
    # six iris blades: each edge runs from the outer ring tangentially to the pupil
    for k in range(6):
        a = 2 * math.pi * k / 6
        x0, y0 = c + 88 * math.cos(a), c + 88 * math.sin(a)
        b = a + math.radians(100)
        x1, y1 = c + 44 * math.cos(b), c + 44 * math.sin(b)
        body += path("M%s %s L%s %s" % (f(x0), f(y0), f(x1), f(y1)),
                     'fill="none" stroke="%s" stroke-opacity="0.8" stroke-width="6" stroke-linecap="round"' % WHITE)
    body += circle(c, c, 44, 'fill="url(#pupil)" stroke="%s" stroke-width="4"' % WHITE)
    body += circle(c - 14, c - 14, 10, 'fill="%s" fill-opacity="0.85" stroke="none"' % WHITE)
    body += circle(c + 96, c - 60, 9, 'fill="%s" stroke="none"' % ORANGE)
    return svg(256, 256, body)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    svgs, sources = build(sys.argv[1], sys.argv[2])
    print("%d SVG icons, %d PNG sources" % (len(svgs), len(sources)))
