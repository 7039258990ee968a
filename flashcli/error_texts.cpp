#include "error_texts.h"

#include "cli_settings.h"

#include <cstdio>

namespace flashcli {
namespace {

struct class_prefix {
    int error_class;
    const char* english;
    const char* german;
};

const class_prefix k_prefixes[] = {
    {1, "Error module CSndHex. ", "Fehler Modul CSndHex. "},
    {2, "Error module CSDOMAST. ", "Fehler Modul CSDOMAST. "},
    {8, "ERROR C_COMM! ", "Fehler C_COMM! "},
    {10, "ERROR CAN-Class! ", "Fehler CAN-Klasse! "},
    {11, "ERROR Ethernet-driver! ", "Fehler Ethernet-Treiber! "},
    {12, "Error V24-Treiber! ", "Fehler V24-Treiber! "},
    {13, "Error USB! ", "Fehler USB! "},
    {15, "Error application module! ", "Fehler Anwendungs-Modul! "},
};

// One row: a class and a range of codes; the first row that fits wins, so every class
// lists its single codes before its catch-all row.
struct text_row {
    int error_class;
    int first_code;
    int last_code;
    const char* english;
    const char* german;
    bool shows_line = false;  // "%d" is the line of the HEX file at fault
};

constexpr int k_any = 0xFFF;

const text_row k_rows[] = {
    {0, 1, 1, "ERROR: USB Download needs Windows2000 / XP!\n", "FEHLER: USB Download benoetigt Windows2000 / XP!\n"},
    {0, 0, k_any, "General Error ErrorClass 0, Fehlercode: %d\n", "Allgemeiner Fehler ErrorClass 0, Fehlercode: %d\n"},

    {1, 1, 1, "Error: Selected file not found\n", "Angegebene Datei nicht gefunden\n"},
    {1, 2, 2, "Error opening file\n", "Fehler beim Oeffnen der Datei\n"},
    {1, 3, 3, "Timeout! No answer from module!\n", "Timeout! Modul antwortet nicht mehr!\n"},
    {1, 5, 5, "HEX file error in line %d\n", "Fehler in der HEX-Datei in Zeile %d\n", true},
    {1, 0, k_any, "", ""},

    {2, 1, 2, "ERROR on opening the logical channels\n", "Fehler beim Oeffnen der logischen Kanaele\n"},
    {2, 3, 3, "ERROR: Communication to module is out of syncronisation! Please reset the module!\n",
     "Kommunikation zum Modul nicht mehr syncron! Bitte Modul Reset!\n"},
    {2, 5, 5, "ERROR: Abort command from the module received!\n", "Abbruch-Kommando von Modul empfangen\n"},
    {2, 6, 6, "ERROR: Abort command sent to the module\n", "Abbruch-Kommando zum Modul gesendet\n"},
    {2, 10, 10, "ERROR: Togglebit error detected!\n", "Toggle-Fehler erkannt!\n"},
    {2, 0, 32, "Internal ERROR! %d\n", "Interner Fehler! %d\n"},
    {2, 33, 33, "ERROR: Domain Up/Download not started!\n",
     "FEHLER: Domain Up/Download wurde gestartet, aber unvollstaendig parametrisiert!\n"},
    {2, 34, 34, "ERROR: Wrong parameters!\n", "FEHLER: FALSCHE PARAMETER!\n"},
    {2, 35, 35, "ERROR: Illegal index!\n", "FEHLER: UNGUELTIGER INDEX!\n"},
    {2, 36, 36, "ERROR: Illegal subindex! \n", "FEHLER: UNGUELTIGER SUB-INDEX! \n"},
    {2, 37, 37, "ERROR: Module could not be identified! \n", "FEHLER: KNOTENMODUL KONNTE KEINE DE IDENTIFIZIEREN! \n"},
    {2, 38, 38, "ERROR: OVERRUN on slave module detected! \n", "FEHLER: OVERRUN AUF DE ERKANNT! \n"},
    {2, 39, 39, "ERROR: Togglebit! \n", "FEHLER: TOGGLE-BIT FEHLER! \n"},
    {2, 40, 40, "ERROR on global CAN of the module! \n", "FEHLER AUF GLOBALEM CAN DES MODULS! \n"},
    {2, 41, 41, "ERROR on local CAN of the module! \n", "FEHLER AUF LOKALEM CAN DES MODULS! \n"},
    {2, 42, 42, "ERROR: Device doesn't respond! \n", "FEHLER: MODUL KONNTE KEINE QUITTUNG S*/EN! \n"},
    {2, 43, 43, "ERROR in programming the extension module! \n", "FEHLER BEIM PROGRAMMIEREN DES ERWEITERUNGSMODULS! \n"},
    {2, 44, 44, "ERROR erasing flash eeprom! \n", "FEHLER BEIM LOESCHEN DES FLASH-EEPROMS! \n"},
    {2, 45, 45, "ERROR: Binary file is greater than parameter \"Memory-Size! \"\n",
     "FEHLER: BITMAP groesser als der Parameter Memory-Size! \n"},
    {2, 46, 46, "ERROR: Illegal write-access on boot sector! \n", "FEHLER: Illegaler Schreibzugriff auf Bootsektor! \n"},
    {2, 47, 47, "ERROR on serial receive on the module!\n", "Fehler beim seriellen Empfangen auf dem Modul!\n"},
    {2, 48, 48, "ERROR: Flash-EEPROM at the programming area is not erased!\n",
     "FEHLER: Flash-EEPROM im zu programmierenden Bereich nicht geloescht!\n"},
    {2, 49, 49, "ERROR in communication to slave-module!\n", "FEHLER in der Kommunikation zum Slave-Modul!\n"},
    {2, 50, 50, "ERROR: Timeout in communication to slave-module!\n",
     "FEHLER: Timeout in der Kommunikation zum Slave-Modul!\n"},
    {2, 51, 51, "ERROR: No serial controller is found on the module!\n", "Kein erieller Baustein auf Modul gefunden!\n"},
    {2, 52, 52, "ERROR: The FirmLdSpecPar definition was rejected from the firmloader!\n",
     "FEHLER: Die uebergebene \"FirmLdSpecPar\" wurde vom Loader zurueckgewiesen!\n"},
    {2, 53, k_any, "Unknown module error!\n", "Unbekannter Modul-Fehler!\n"},

    {8, 1, 1, "ERROR! Wrong parameters!\n", "Falsche Parameter!\n"},
    {8, 2, 2, "ERROR! Driver is not initialized\n", "Treiber nicht initialisiert\n"},
    {8, 3, 3, "ERROR sending data to module\n", "Fehler beim Senden\n"},
    {8, 4, 4, "ERROR: Send Timeout\n", "Fehler Sende-Timeout\n"},
    {8, 5, 5, "ERROR: Receive Timeout\n", "Fehler Empfangs-Timeout!\n"},
    {8, 6, 6, "ERROR: No timing obiject is initilized!\n", "Kein Timer-Objekt initialisiert!\n"},
    {8, 7, 7, "Receive ERROR!\n", "Fehler beim Empfangen!\n"},
    {8, 8, 8, "CRC-ERROR!\n", "CRC-Fehler!\n"},
    {8, 0, k_any, "Internal ERROR!\n", "Intener Fehler!\n"},

    {9, 0, k_any, "ERROR V24-Class! Errorcode: %d\n", "Fehler V24-Klasse! Fehlercode: %d\n"},

    {10, 1, 1, "ERROR opening the global CAN-channel!\n", "Fehler beim Oeffnen der CAN-Kanaele!\n"},
    {10, 2, 2, "ERROR on global CAN!\n", "Fehler auf globalem CAN!\n"},
    {10, 3, 3, "ERROR: Driver DLL not found!\n", "Treiber DLL nicht gefunden!\n"},
    {10, 4, 4, "ERROR: CAN not initialized!\n", "CAN nicht initialisiert!\n"},
    {10, 5, 5, "ERROR: Wrong parameters (CANOpenDevice)\n", "Falsche Uebergabeparameter (CANOpenDevice)\n"},
    {10, 6, 6, "ERROR on dynamical start of the NT-driver!\n", "Fehler beim dynamischen Starten des NT-Treibers!\n"},
    {10, 7, 7, "ERROR: Peak Dongel don\xB4t work on Windows 9x!!!\n", "FEHLER: Peak Dongel laeuft nicht unter Windows 9x!!!\n"},

    {11, 1, 1, "Ethernet channel could not be opened!\n", "Ethernet-Channel kann nicht geoeffnet werden!\n"},
    {11, 2, 2, "Error on the ethernet line!\n", "Fehler auf Ethernet-Leitung!\n"},
    {11, 3, 3, "Driver DLL not found!\n", "Treiber DLL nicht gefunden!\n"},
    {11, 4, 4, "Ethernet not initialized!\n", "Ethernet nicht initialisiert!\n"},
    {11, 5, 5, "General driver error!\n", "Allgemeiner Treiberfehler!\n"},
    {11, 6, 6, "No winsocket available!\n", "Kein Winsocket verfuegbar!\n"},
    {11, 7, 7, "Error in the received ethernet frame!\n", "Fehler im empfangenen Ethernet-Frame!\n"},

    {12, 1, 1, "V24 interface not exists!\n", "V24 Schnittstelle nicht vorhanden!\n"},
    {12, 2, 2, "Wrong parameters!\n", "Falsche Parameter!\n"},
    {12, 3, 3, "Internal Error! Driver not initialized!\n", "Interner Fehler! Treiber nicht initialisiert!\n"},
    {12, 4, 4, "Receive error!\n", "Fehler beim Empfangen!\n"},
    {12, 5, 5, "General driver error!\n", "Allgemeiner Treiberfehler!\n"},
    {12, 6, 6, "Send Error!\n", "Fehler beim Senden!\n"},

    {13, 1, 1, "Error opening the USB-channel!\n", "Fehler beim Oeffnen des USB-Kanals!\n"},
    {13, 2, 2, "Wrong parameters!\n", "Falsche Parameter!\n"},
    {13, 3, 3, "Internal error! Driver not initialized!\n", "Interner Fehler! Treiber nicht initialisiert!\n"},
    {13, 4, 4, "Receive error!\n", "Fehler beim Empfangen!\n"},
    {13, 5, 5, "General driver error!\n", "Allgemeiner Treiberfehler!\n"},
    {13, 6, 6, "Send Error!\n", "Fehler beim Senden!\n"},
    {13, 7, 7, "Protocol error at receiving!\n", "Protokollfehler beim Empfangen!\n"},
    {13, 8, 8, "Protocol error at sending!\n", "Protokollfehler beim Senden!\n"},
    {13, 9, 9, "Send timeout!\n", "Timeout beim Senden!\n"},
    {13, 10, 10, "Device at USB not recognized! USB cable connected?\n", "Device wurde am USB nicht gefunden! USB gesteckt?\n"},
    {13, 11, 11, "Receive timeout!\n", "Timeout beim Empfangen!\n"},
    {13, 12, 12, "Error in receive thread!\n", "Fehler im Empfangsthread\n"},

    {15, 1, 1, "File not found!\n", "Datei nicht gefunden!\n"},
    {15, 3, 3, "Illegal file format!\n", "Falsches Datei-Format!\n"},
    {15, 5, 5, "Configuration file not found!\n", "Konfigurationsdatei nicht gefunden!\n"},
    {15, 6, 6, "Error in configuration file!\n", "Fehler in der Konfigurationsdatei!\n"},
    {15, 7, 7, "Wrong parameters!\n", "Falsche Parameter!\n"},
};

// Classes 10 to 13 and 15 share one catch-all text; classes 3 to 7 and 14 are unknown
// and carry no prefix.
const char* const k_other_english = "Errorcode %d\n";
const char* const k_other_german = "Fehlercode %d\n";
const char* const k_unknown_english = "Unknown Errorcode %x\n";
const char* const k_unknown_german = "Unbekannter Fehlercode %x\n";

std::string fill_in(const char* text, uint16_t result, const unsigned long* line)
{
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '%' && (p[1] == 'd' || p[1] == 'x')) {
            char number[24];
            if (p[1] == 'd' && line)
                std::snprintf(number, sizeof number, "%lu", *line);
            else if (p[1] == 'd')
                std::snprintf(number, sizeof number, "%d", int(result & 0xFFF));
            else
                std::snprintf(number, sizeof number, "%x", unsigned(int32_t(int16_t(result))));
            out += number;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

}  // namespace

std::string error_text(uint16_t result, int language, unsigned long hex_line)
{
    const bool english = language == language_english;
    const int error_class = result >> 12;
    const int code = result & 0xFFF;

    std::string text;
    for (const class_prefix& p : k_prefixes)
        if (p.error_class == error_class)
            text = english ? p.english : p.german;

    const char* body = nullptr;
    const unsigned long* line = nullptr;
    for (const text_row& r : k_rows) {
        if (r.error_class == error_class && code >= r.first_code && code <= r.last_code) {
            body = english ? r.english : r.german;
            line = r.shows_line ? &hex_line : nullptr;
            break;
        }
    }
    if (!body) {
        if ((error_class >= 3 && error_class <= 7) || error_class == 14)
            body = english ? k_unknown_english : k_unknown_german;
        else
            body = english ? k_other_english : k_other_german;
    }
    return text + fill_in(body, result, line);
}

}  // namespace flashcli
