#pragma once
// The window manager's frame around a top-level Qt window on X11.

#include <QMargins>

class QWidget;

namespace qm {

// The frame's widths from _NET_FRAME_EXTENTS; none before a window manager has framed the
// window, or without an X display (Qt's offscreen platform).
QMargins window_frame(const QWidget& window);

// Asks the window manager, when it offers that, for the frame it will give the window, not
// yet shown, and waits briefly for the answer: the window can then be placed frame and all
// before it shows.
void ask_window_frame(const QWidget& window);

}  // namespace qm
