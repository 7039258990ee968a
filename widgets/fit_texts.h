// Labels, buttons and group titles placed by hand on a form keep their texts whole where the
// system font runs wider than the place the form gives them.
#pragma once

class QWidget;

enum class fit_mode {
    widen,   // the widget grows to its text (where the form leaves room to its right)
    shrink,  // the text's font gets smaller until it fits (where the next field follows closely)
};

// Applies to the labels, buttons and group boxes of `root`'s window that no layout manages.
void fit_hand_placed_texts(QWidget* root, fit_mode mode);

// Makes the font each widget below `root` now has (the form's, or one it inherits) its own, so
// that a style selected after the form was built keeps it: the style's polish gives widgets
// under a style sheet the application's font again unless they have one of their own.
void keep_form_fonts(QWidget* root);

// The width a window needs for a window manager's title bar to show its title whole: the
// title in the bar's bold font, and room for the bar's icon and its three buttons.
int window_title_width(const QWidget* window);
