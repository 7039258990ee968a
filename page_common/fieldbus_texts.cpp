#include "page_common/fieldbus_texts.h"

const QStringList& pb_enable_pcd_texts()
{
    static const QStringList t{QStringLiteral("No Function"), QStringLiteral("Softscan")};
    return t;
}

const QStringList& pb_cmd_options_bit2_texts()
{
    static const QStringList t{QStringLiteral("Rereference"), QStringLiteral("Custom Rereference")};
    return t;
}
