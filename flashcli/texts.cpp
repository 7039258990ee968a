#include "texts.h"

#include "cli_settings.h"

#include <cstdio>

namespace flashcli {

std::string banner_text(int language)
{
    char line[160];
    std::string text;
    if (language == language_english) {
        text = "Firmloader for Windows 2000/XP for V24, CAN, Ethernet and USB\n";
        std::snprintf(line, sizeof line, "Version %s                                   Date:  %s\n", k_version, k_date);
        text += line;
        text += "Linux edition: settings from the command line, KONFIG.CFG and <name>.DAT\n";
    } else {
        text = "Firmloader fuer WIN95/98, WinNT (CANDongel, ISA-CAN (nicht NT), V24\n";
        std::snprintf(line, sizeof line, "Version %s                                   Datum: %s\n", k_version, k_date);
        text += line;
        text += "Linux-Ausgabe: Einstellungen aus Kommandozeile, KONFIG.CFG und <Name>.DAT\n";
    }
    return text;
}

std::string help_text(int language)
{
    if (language == language_english)
        return "Parameters: \n"
               "<filename>: Name of the DAT-configuration file without extension\n"
               "#:          Transfer data over the serial COM interface\n"
               "$:          Transfer data with the CAN-dongle\n"
               "(:          Transfer data with PEAK CAN-dongle (from version 1.06)\n"
               "& oder @:   Transfer data over ethernet\n"
               "=:          Transfer data over USB (from version 1.05)\n"
               "!:          Fast protocol\n"
               "%:         Short Screen Output at reading operations\n"
               "):          No user key-input to confirm errors\n"
               "[A..Z:]:    Parameter settings\n";
    return "Parameter: \n"
           "<filename>: Name des DAT-Konfigurationsfiles ohne Extension\n"
           "#:          Laden ueber SERIELLE Schnittstelle\n"
           "$:          Laden ueber CAN-Dongel\n"
           "(:          Laden ueber PEAK CAN-Dongel (ab Version 1.06)\n"
           "& oder @:   Laden ueber Ethernet-Driver\n"
           "=:          Laden ueber USB (ab V1.05)\n"
           "!:          Fast Protocol\n"
           "%:         Short Screen Output beim Lesen\n"
           "):          Bei Fehlermeldungen wird nicht auf Tastatur-Eingabe gewartet\n"
           "[A..Z:]:    Kommando-Parameter-Einstellung\n";
}

const char* settings_name_prompt(int language)
{
    return language == language_english ? "Please enter the configuration-filename without extension ... "
                                        : "Bitte Konfig-Filename ohne Extension eingeben ... ";
}

const char* key_prompt(int language)
{
    return language == language_english ? "Please press any key!\n" : "Bitte Taste druecken\n";
}

}  // namespace flashcli
