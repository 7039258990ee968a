// The language index of konfig.cfg as the shell reads and changes it.
#pragma once

// The language index L (0 English, 1 Deutsch, 2 to 4 further letters of the downloader).
int konfig_language();
// Makes `language` the index and writes konfig.cfg anew; false when the file could not be
// written (the error has been shown).
bool konfig_set_language(int language);
