#include "SceneRenderer.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "Painter.h"

namespace qelds {

namespace {

struct SensorView {
    float zoom;
    float cx;
    float cy;
    const char* name;
};

// Indexed by sensor type 1-6.
const SensorView kSensors[7] = {{1.0f, 8.0f, 4.5f, "STANDARD VIEW"},    {0.85f, 8.0f, 4.5f, "WIDE ANGLE"},
                                {1.0f, 8.0f, 4.5f, "STANDARD VIEW"},    {2.4f, 11.5f, 3.4f, "DISTANT VIEW"},
                                {1.3f, 5.0f, 4.5f, "LEFT VIEW"},        {1.3f, 11.0f, 4.5f, "RIGHT VIEW"},
                                {0.65f, 8.0f, 4.5f, "ULTRA-WIDE ANGLE"}};

float clampf(float v, float lo, float hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

int triangle(int64_t pos, int range) {
    if (range <= 0)
        return 0;
    int64_t m = pos % (2 * static_cast<int64_t>(range));
    return static_cast<int>(m < range ? m : 2 * range - m);
}

}  // namespace

void SceneRenderer::setup(int width, int height, const std::string& caption) {
    m_width = width;
    m_height = height;
    m_caption = caption;
    m_background.allocate(width, height);
    m_canvas.allocate(width, height);
    m_textScale = std::max(1, height / 216);
    int s = m_textScale;
    int pad = 2 * s;
    int w = Painter::textWidth("00:00:00.000", s) + 2 * pad;
    int h = 2 * Painter::textHeight(s) + 3 * pad;
    m_clockPanel = Rect{width - w - pad, pad, w, h};
    for (Rect& r : m_previous)
        r = Rect{};
    setSettings(m_settings);
}

Yuv SceneRenderer::adjusted(Yuv c) const {
    const SceneSettings& s = m_settings;
    float y = c.y / 255.0f;
    y *= (1.0f + 0.8f * s.gain) * std::pow(2.0f, s.exposure) * (1.0f + 0.5f * s.iris);
    y += 0.4f * s.brightness;
    y = 0.5f + (y - 0.5f) * (1.0f + s.contrast);
    y = std::pow(clampf(y, 0.0f, 1.0f), std::pow(2.0f, -s.gamma));
    y += 0.15f * s.backlight * (1.0f - y);
    float u = c.u - 128.0f, v = c.v - 128.0f;
    float angle = s.hue * 3.14159265f;
    float ru = u * std::cos(angle) - v * std::sin(angle);
    float rv = u * std::sin(angle) + v * std::cos(angle);
    float sat = std::max(0.0f, 1.0f + s.saturation);
    ru = ru * sat - 25.0f * s.whiteBalance;
    rv = rv * sat + 25.0f * s.whiteBalance;
    if (s.monochrome)
        ru = rv = 0;
    return Yuv{static_cast<uint8_t>(clampf(y * 255.0f + 0.5f, 0, 255)),
               static_cast<uint8_t>(clampf(ru + 128.5f, 0, 255)),
               static_cast<uint8_t>(clampf(rv + 128.5f, 0, 255))};
}

SceneRenderer::WorldWindow SceneRenderer::mainWindow() const {
    int type = (m_settings.sensorType >= 1 && m_settings.sensorType <= 6) ? m_settings.sensorType : 0;
    const SensorView& sv = kSensors[type];
    float zoom = sv.zoom * (1.0f + 3.0f * clampf(m_settings.zoom, 0, 1));
    return WorldWindow{sv.cx + 4.0f * m_settings.pan, sv.cy - 2.5f * m_settings.tilt, 9.0f / zoom};
}

void SceneRenderer::drawWorld(Painter& p, const Rect& vp, WorldWindow win, bool withMosaic) {
    float scale = vp.h / win.height;
    auto px = [&](float wx) {
        return static_cast<int>(std::floor(vp.x + vp.w / 2.0f + (wx - win.cx) * scale));
    };
    auto py = [&](float wy) {
        return static_cast<int>(std::floor(vp.y + vp.h / 2.0f + (wy - win.cy) * scale));
    };
    auto box = [&](float x0, float y0, float x1, float y1) {
        int a = px(x0), b = py(y0);
        return Rect{a, b, px(x1) - a, py(y1) - b};
    };
    auto rect = [&](float x0, float y0, float x1, float y1, Yuv c) {
        p.fillClipped(box(x0, y0, x1, y1), vp, c);
    };

    p.fill(vp, adjusted(yuvFromRgb(70, 78, 92)));
    rect(-40, 9.8f, 56, 40, adjusted(yuvFromRgb(92, 70, 50)));
    rect(-0.25f, -0.25f, 16.25f, 9.25f, adjusted(yuvFromRgb(200, 200, 200)));
    static const int kBars[8][3] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                                    {191, 0, 191},   {191, 0, 0},   {0, 0, 191},   {16, 16, 16}};
    for (int i = 0; i < 8; ++i)
        rect(2.0f * i, 0, 2.0f * i + 2, 5.5f, adjusted(yuvFromRgb(kBars[i][0], kBars[i][1], kBars[i][2])));
    for (int i = 0; i < 8; ++i) {
        int g = i * 255 / 7;
        rect(2.0f * i, 5.5f, 2.0f * i + 2, 6.5f, adjusted(yuvFromRgb(g, g, g)));
    }
    rect(0, 6.5f, 16, 9, adjusted(yuvFromRgb(20, 20, 30)));
    int ts = static_cast<int>(0.08f * scale);
    if (ts >= 1) {
        Rect t{px(0.5f), py(7.2f), Painter::textWidth("CORVIX VIRTUAL CAMERA", ts), Painter::textHeight(ts)};
        if (vp.intersected(t).w == t.w && vp.intersected(t).h == t.h)
            p.text(t.x, t.y, ts, "CORVIX VIRTUAL CAMERA", adjusted(yuvFromRgb(230, 230, 230)));
    }
    // A person: body, face, eyes and mouth.
    rect(10.3f, 4.3f, 12.7f, 6.5f, adjusted(yuvFromRgb(40, 70, 160)));
    int r = static_cast<int>(1.25f * scale);
    p.disc(px(11.5f), py(3.0f), r, adjusted(yuvFromRgb(224, 172, 140)), vp);
    p.disc(px(11.0f), py(2.7f), static_cast<int>(0.17f * scale), adjusted(yuvFromRgb(30, 30, 30)), vp);
    p.disc(px(12.0f), py(2.7f), static_cast<int>(0.17f * scale), adjusted(yuvFromRgb(30, 30, 30)), vp);
    rect(11.0f, 3.55f, 12.0f, 3.8f, adjusted(yuvFromRgb(150, 40, 40)));
    Rect face = box(10.1f, 1.6f, 12.9f, 4.4f);
    if (withMosaic && m_settings.mosaic)
        p.pixelate(face.intersected(vp), std::max(4, m_height / 30));
    if (m_settings.faceTracking) {
        int t = std::max(2, m_height / 270);
        Rect f = face.intersected(vp);
        if (!f.empty())
            p.frame(f, t, adjusted(yuvFromRgb(40, 220, 40)));
    }
}

void SceneRenderer::drawLabels(Painter& p) {
    int s = std::max(1, m_height / 270);
    int pad = 2 * s;
    int x = pad, y = pad;
    Yuv back = yuvFromRgb(0, 0, 0);
    Yuv fore = yuvFromRgb(255, 255, 0);
    auto line = [&](const char* text) {
        p.fill(Rect{x, y, Painter::textWidth(text, s) + 2 * pad, Painter::textHeight(s) + 2 * pad}, back);
        p.text(x + pad, y + pad, s, text, fore);
        y += Painter::textHeight(s) + 3 * pad;
    };
    char buf[64];
    const SceneSettings& st = m_settings;
    if (!st.privacy) {
        int type = (st.sensorType >= 1 && st.sensorType <= 6) ? st.sensorType : 0;
        line(kSensors[type].name);
    }
    if (st.faceTracking)
        line("FACE TRACKING");
    if (st.soundTracking)
        line("SOUND TRACKING");
    if (st.gesture) {
        std::snprintf(buf, sizeof buf, "GESTURE %d", st.gesture);
        line(buf);
    }
    if (st.sub1Ai) {
        std::snprintf(buf, sizeof buf, "AI MODE %d", st.sub1Ai);
        line(buf);
    }
    if (st.canvas) {
        static const char* kCanvas[4] = {"", "GALLERY", "GRID", "ROUND TABLE"};
        std::snprintf(buf, sizeof buf, "CANVAS %s",
                      st.canvas >= 1 && st.canvas <= 3 ? kCanvas[st.canvas] : "?");
        line(buf);
    }
    if (st.mosaic)
        line("MOSAIC");
    if (st.doaTest)
        line("DOA TEST");
    if (st.audioOn || st.audioOn1) {
        std::snprintf(buf, sizeof buf, "AUDIO %d/%d DIR %d", st.audioOn, st.audioOn1, st.audioDirection);
        line(buf);
    }
    if (st.factoryTest) {
        std::snprintf(buf, sizeof buf, "FACTORY TEST %d", st.factoryTest);
        line(buf);
    }
}

void SceneRenderer::setSettings(const SceneSettings& settings) {
    m_settings = settings;
    drawBackground();
    m_fullDirty = true;
}

void SceneRenderer::drawBackground() {
    if (m_width <= 0)
        return;
    Painter p(&m_background, m_settings.mirror, m_settings.flip);
    Rect all{0, 0, m_width, m_height};
    int line = std::max(2, m_height / 270);
    if (m_settings.privacy) {
        p.fill(all, yuvFromRgb(20, 24, 40));
        int s = std::max(1, m_height / 90);
        const char* text = "PRIVACY MODE";
        p.text((m_width - Painter::textWidth(text, s)) / 2, (m_height - Painter::textHeight(s)) / 2, s, text,
               yuvFromRgb(200, 200, 220));
    } else if (m_settings.canvas >= 1 && m_settings.canvas <= 3) {
        p.fill(all, yuvFromRgb(10, 10, 10));
        struct Tile {
            Rect vp;
            WorldWindow win;
        };
        Tile tiles[9];
        int n = 0;
        int w = m_width, h = m_height;
        if (m_settings.canvas == 1) {
            const WorldWindow wins[4] = {{8, 4.5f, 9}, {11.5f, 3.4f, 3.5f}, {4, 3, 5}, {8, 6, 4}};
            for (int i = 0; i < 4; ++i)
                tiles[n++] = Tile{Rect{(i % 2) * w / 2, (i / 2) * h / 2, w / 2, h / 2}, wins[i]};
        } else if (m_settings.canvas == 2) {
            for (int i = 0; i < 9; ++i) {
                WorldWindow win{2.7f + 5.3f * (i % 3), 1.5f + 3.0f * (i / 3), 3.0f};
                tiles[n++] = Tile{Rect{(i % 3) * w / 3, (i / 3) * h / 3, w / 3, h / 3}, win};
            }
        } else {
            tiles[n++] = Tile{Rect{0, 0, w, h / 2}, WorldWindow{8, 3.5f, 4.6f}};
            const WorldWindow wins[3] = {{4, 3, 4}, {11.5f, 3.4f, 3.5f}, {13, 6, 4}};
            for (int i = 0; i < 3; ++i)
                tiles[n++] = Tile{Rect{i * w / 3, h / 2, w / 3, h - h / 2}, wins[i]};
        }
        for (int i = 0; i < n; ++i) {
            drawWorld(p, tiles[i].vp, tiles[i].win, true);
            p.frame(tiles[i].vp, line, yuvFromRgb(10, 10, 10));
        }
    } else {
        drawWorld(p, all, mainWindow(), true);
    }
    if (m_settings.pip && !m_settings.privacy) {
        int iw = m_width / 4, ih = m_height / 4, margin = m_height / 40;
        Rect inset{m_width - iw - margin, m_height - ih - margin, iw, ih};
        drawWorld(p, inset, WorldWindow{11.5f, 3.4f, 3.2f}, true);
        p.frame(inset, line, yuvFromRgb(255, 255, 255));
    }
    drawLabels(p);
    // Caption (stream, size, format) and the panel under the clock.
    int s = m_textScale, pad = 2 * s;
    int cw = Painter::textWidth(m_caption.c_str(), s) + 2 * pad, ch = Painter::textHeight(s) + 2 * pad;
    p.fill(Rect{pad, m_height - ch - pad, cw, ch}, yuvFromRgb(0, 0, 0));
    p.text(2 * pad, m_height - ch, s, m_caption.c_str(), yuvFromRgb(255, 255, 255));
    p.fill(m_clockPanel, yuvFromRgb(0, 0, 0));
}

void SceneRenderer::render(int64_t frameNumber, int64_t elapsedUs, DirtyRegion* dirty) {
    if (m_fullDirty) {
        m_canvas.copyRect(m_background, m_canvas.bounds());
        dirty->setAll(m_canvas.bounds());
        m_fullDirty = false;
    } else {
        for (const Rect& r : m_previous) {
            m_canvas.copyRect(m_background, r);
            dirty->add(m_canvas.aligned(r));
        }
    }
    Painter p(&m_canvas, m_settings.mirror, m_settings.flip);
    int n = 0;
    if (!m_settings.privacy) {
        int radius = std::max(2, m_height / 14);
        int64_t ms = elapsedUs / 1000;
        int x = radius + triangle(ms * m_width / 4000, m_width - 2 * radius);
        int y = radius + triangle(ms * m_height / 3000, m_height - 2 * radius);
        Rect all{0, 0, m_width, m_height};
        p.resetBounds();
        p.disc(x, y, radius, yuvFromRgb(255, 140, 0), all);
        p.disc(x, y, radius / 3, yuvFromRgb(255, 255, 255), all);
        m_previous[n++] = p.bounds();
    }
    char buf[32];
    auto now = std::chrono::system_clock::now();
    std::time_t secs = std::chrono::system_clock::to_time_t(now);
    int millis = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm tm{};
    localtime_r(&secs, &tm);
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec, millis);
    int s = m_textScale, pad = 2 * s;
    p.resetBounds();
    p.text(m_clockPanel.x + pad, m_clockPanel.y + pad, s, buf, yuvFromRgb(255, 255, 255));
    m_previous[n++] = p.bounds();
    std::snprintf(buf, sizeof buf, "#%06lld", static_cast<long long>(frameNumber % 1000000));
    p.resetBounds();
    p.text(m_clockPanel.x + pad, m_clockPanel.y + 2 * pad + Painter::textHeight(s), s, buf,
           yuvFromRgb(0, 255, 128));
    m_previous[n++] = p.bounds();
    for (int i = n; i < 3; ++i)
        m_previous[i] = Rect{};
    for (int i = 0; i < n; ++i)
        dirty->add(m_canvas.aligned(m_previous[i]));
}

}  // namespace qelds
