// A scanners.cscan of 640 KB that a lookup by name per word makes slow: 60,000 unit lines
// (nearly all named "A"; unit 5 is "C", the last one "Z") and one wand line naming 200,000
// units, nearly all of them the unknown "B", then "Z", "C" and "A"; a set-up of that wand on
// unit article 1. Read right, the wand fits units 5 and 0 (Z lies beyond its 32-bit mask).
#pragma once
#include <QByteArray>

inline QByteArray big_scanner_finder_text()
{
    constexpr int units = 60000;
    constexpr int named = 200000;
    QByteArray t;
    t.reserve(units * 4 + named * 2 + 64);
    t += "*U\n";
    for (int i = 0; i < units; ++i)
        t += i == 5 ? "1 C\n" : i == units - 1 ? "1 Z\n" : "1 A\n";
    t += "*W\n2 W";
    for (int i = 0; i < named - 3; ++i)
        t += " B";
    t += " Z C A\n*S\n*2_1\nP000 1 1 0\n";
    return t;
}
