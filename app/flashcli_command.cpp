#include "app/flashcli_command.h"

#include "core/files/konfig_cfg.h"

char flashcli_language_letter()
{
    static const char letters[] = "EDJIS";
    const int l = g_konfig().language;
    return (l >= 0 && l < 5) ? letters[l] : 'E';
}

QByteArray flashcli_command_head()
{
    return QByteArray(flashcli_program) + " H:" + flashcli_language_letter() + "  \"=\" ) ";
}
