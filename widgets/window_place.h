// Showing a top-level window again where it stood before it was hidden.
#pragma once
#include <QPoint>

class QWidget;

// Moves the hidden top-level `window` to the frame position `frame_pos` (what pos() gave
// while it was shown) and shows it. A window manager may place a window that is mapped again
// as if it were new; the first move it makes within a second of the show is undone.
void show_where_it_stood(QWidget* window, QPoint frame_pos);

// The same without the show, for a window that something else shows next (a dialog's exec).
void place_where_it_stood(QWidget* window, QPoint frame_pos);
