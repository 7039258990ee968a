// The firmware part of a clone file read as Intel HEX before Program Clone writes anything:
// a clone whose firmware was cut or damaged (with its length and byte sum made right again)
// would otherwise replace the loader and leave the controller in its boot loader.
#pragma once
#include <QString>

// True when the part from the firmware offset on reads as Intel HEX up to an end record:
// every line that is not blank is a well-formed record (":" mark, hex digits, the count that
// its length says, a checksum that makes its bytes sum to 0, a known type with the length its
// type needs), and the end record comes before the file ends. Lines end in LF, CR LF or CR
// alone, as the download reads them, and are bounded; what follows the end record is not
// read, as the download stops there too.
bool clone_firmware_is_intel_hex(const QString& path);
