#pragma once
// Title-bar controls the window system offers for a shown FLTK window.

class Fl_Window;

// Leaves the window a caption and a border but no close, minimise or
// maximise box, and lets the window manager only move it, like a Windows
// dialog without a system menu. Window managers that ignore the request
// still deliver a close as the window's callback.
void removeTitleBarButtons(Fl_Window& window);
