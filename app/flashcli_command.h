// The start of every flashcli command line the program builds: the program beside
// TarvixStudio, the language of its texts, the USB transport and no wait for a key at its end.
#pragma once
#include <QByteArray>

// The flashcli program, relative to the application directory (the current directory).
constexpr const char* flashcli_program = "./flashcli/flashcli";

// The letter of flashcli's language: "EDJIS" at the program's language index.
char flashcli_language_letter();

// "./flashcli/flashcli H:<letter>  "=" ) " (two blanks after the language, one at the end).
QByteArray flashcli_command_head();
