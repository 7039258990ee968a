// The classic "Windows" widget style that the program's tables use, one instance for all.
#pragma once

class QStyle;

// Owned by the application object; null if the style is missing from this Qt build.
QStyle* shared_windows_style();
