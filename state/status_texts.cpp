#include "state/status_texts.h"

#include "core/text/text_tables.h"

QString status_text(long n)
{
    const char* t = txt_table_text(txt_table::status, n);
    return t ? QString::fromLatin1(t) : QString();
}

int status_text_for_detail(int group, uint8_t c)
{
    switch (group) {
    case 0:
        return c == 1 ? 30 : c == 2 ? 31 : 1;
    case 1:
        if (c >= 1 && c <= 4)
            return 31 + c;
        return (c == 5 || c == 6) ? 36 : 2;
    case 2:
        if (c >= 1 && c <= 8)
            return 37;
        if (c == 9)
            return 38;
        if (c == 10)
            return 39;
        if (c >= 11 && c <= 18)
            return 40;
        if (c >= 19 && c <= 23)
            return 41;
        if (c >= 24 && c <= 37)
            return 42;
        if (c == 38 || c == 39)
            return 43;
        if (c == 40)
            return 44;
        if (c == 41)
            return 45;
        return 3;
    case 3: {
        static const int map[] = {4, 46, 47, 48, 49, 50, 61, 62};
        return c < 8 ? map[c] : 4;
    }
    case 4: {
        static const int map[] = {5, 51, 52, 53, 54, 54, 55, 63, 64, 65, 66};
        return c < 11 ? map[c] : 5;
    }
    case 5:
        return 6;
    case 6:
        return (c >= 1 && c <= 4) ? 56 + c : 7;
    default:
        return 0;
    }
}

namespace {

uint8_t detail_code(int group, uint32_t low32, uint32_t high32)
{
    return group < 4 ? uint8_t(low32 >> (8 * group)) : uint8_t(high32 >> (8 * (group - 4)));
}

}  // namespace

void status_texts_from_bits(QStringList& out, uint8_t mask, bool detailed, uint32_t low32, uint32_t high32,
                            bool by_value)
{
    for (int g = 0; g < 7; ++g) {
        const uint8_t code = detail_code(g, low32, high32);
        if (by_value ? code == 0 : (mask & (1u << g)) == 0)
            continue;
        if (detailed)
            out << QStringLiteral("%1 [%2]").arg(status_text(status_text_for_detail(g, code))).arg(code);
        else
            out << status_text(g + 1);
    }
}

QStringList device_status_texts(uint8_t error_byte, bool details_read, uint32_t detail1, uint32_t detail2,
                                uint16_t flag_word)
{
    QStringList texts;
    if (error_byte != 0) {
        status_texts_from_bits(texts, error_byte, details_read, detail1, detail2, false);
        if (texts.isEmpty())
            texts << QStringLiteral("%1 Errorcode: %2H")
                         .arg(status_text(9), QString::number(error_byte, 16).rightJustified(2, QLatin1Char('0')).toUpper());
    }
    static const struct {
        uint16_t bit;
        int text;
    } flag_texts[] = {{0x01, 8}, {0x02, 12}, {0x10, 14}, {0x20, 11}, {0x40, 13}, {0x80, 15}};
    for (const auto& f : flag_texts)
        if (flag_word & f.bit)
            texts << status_text(f.text);
    return texts;
}

QString status_label_text(const QStringList& texts)
{
    if (texts.isEmpty())
        return QString();
    if (texts.size() == 1)
        return texts.first();
    return QStringLiteral("%1* %2").arg(texts.size()).arg(texts.first());
}

QString status_label_tip(const QStringList& texts)
{
    QString tip = QString::fromLatin1(txt_message(22).c_str()) + QLatin1Char('\n');
    for (const QString& t : texts)
        tip += t + QLatin1Char('\n');
    return tip;
}
