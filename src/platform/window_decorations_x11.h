#pragma once
// Title-bar controls the window system offers for a shown FLTK window.

class Fl_Window;

// Leaves the window a caption and a border but no close, minimise or
// maximise box, and lets the window manager only move it, like a Windows
// dialog without a system menu. Window managers that ignore the request
// still deliver a close as the window's callback.
void removeTitleBarButtons(Fl_Window& window);

struct FrameExtents {
  int left, right, top, bottom;
};

// The border the window manager has put around the window, once it has
// announced it (_NET_FRAME_EXTENTS); false while it has not, or when no
// window manager runs.
bool frameExtents(const Fl_Window& window, FrameExtents& extents);

// Whether a window manager runs that announces frame extents at all.
bool windowManagerReportsFrames();
