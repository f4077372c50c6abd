// Renders the virtual camera's test scene: a chart with colour bars, grey steps and a face,
// the stream caption and mode labels, and per frame a moving ball, a clock and the frame
// number. The still part is drawn once per settings change; each frame only restores and
// redraws the moving parts and reports the changed rectangles.
#ifndef QELDS_VIRTUAL_SCENE_RENDERER_H
#define QELDS_VIRTUAL_SCENE_RENDERER_H

#include <cstdint>
#include <string>

#include "SceneSettings.h"
#include "YuvImage.h"

namespace qelds {

class Painter;

class SceneRenderer {
public:
    void setup(int width, int height, const std::string& caption);
    // Redraws the still part; the next render() reports the whole picture as changed.
    void setSettings(const SceneSettings& settings);
    // Draws frame `frameNumber` at `elapsedUs` since the stream started; adds changes to dirty.
    void render(int64_t frameNumber, int64_t elapsedUs, DirtyRegion* dirty);
    const YuvImage& image() const { return m_canvas; }

private:
    struct WorldWindow {
        float cx, cy, height;  // centre and visible height in chart units
    };
    struct Palette;
    void drawBackground();
    void drawWorld(Painter& p, const Rect& viewport, WorldWindow window, bool withMosaic);
    void drawLabels(Painter& p);
    WorldWindow mainWindow() const;
    Yuv adjusted(Yuv c) const;

    int m_width = 0;
    int m_height = 0;
    std::string m_caption;
    SceneSettings m_settings;
    YuvImage m_background;
    YuvImage m_canvas;
    Rect m_previous[3];
    bool m_fullDirty = true;
    int m_textScale = 1;
    Rect m_clockPanel;
};

}  // namespace qelds

#endif
