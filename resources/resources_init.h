// Registers the program's compiled-in pictures and icons (":/bitmaps/...", ":/icons/...").
// Safe to call any number of times; the widgets that show pictures call it themselves.
#pragma once

void tarvix_resources_init();
