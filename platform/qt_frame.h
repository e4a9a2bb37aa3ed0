#pragma once
// The window manager's frame around a top-level Qt window on X11.

#include <QMargins>

class QWidget;

namespace qm {

// The frame's widths from _NET_FRAME_EXTENTS; none before a window manager has framed the
// window, or without an X display (Qt's offscreen platform).
QMargins window_frame(const QWidget& window);

}  // namespace qm
