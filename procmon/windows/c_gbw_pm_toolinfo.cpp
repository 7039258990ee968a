#include "procmon/windows/c_gbw_pm_toolinfo.h"

#include <QGridLayout>
#include <QLabel>
#include <QHeaderView>
#include <QLineEdit>

#include "core/files/sd_card_layout.h"
#include "core/image/byte_record.h"
#include "procmon/windows/pm_cells.h"
#include "widgets/c_qlineedit_extend.h"
#include "widgets/c_qtablewidget_functab.h"

namespace {

namespace cl = sd_card_layout;

// Offsets in the header sector (the record starts at byte 1).
struct mode_row {
    uint32_t mode, limit, tolerance, time, work, duration, options, range;  // 0: no such field
};
const mode_row mode_rows[3] = {
    {126, 127, 129, 131, 0, 0, 122, 135},     // Break
    {97, 98, 100, 102, 106, 108, 93, 112},    // Blunt
    {74, 75, 77, 79, 0, 0, 70, 83},           // Missing
};

using pm_cells::hex4;
using pm_cells::hundredths;
using pm_cells::in_use;

// The grid: the hex fields and the value fields, by object name, tooltip and offset.
struct field_info {
    const char* name;
    const char* tip;
    uint32_t offset;
    int width;  // bytes; negative: signed
    int decimals;
};
const field_info hex_fields[5] = {
    {"eb_X_TolOptions", "X_ToleranceOptions [Hex]", 56, 4, 0},
    {"eb_DelayOptions", "DelayOptions [Hex]", 145, 4, 0},
    {"eb_IdleOptions", "IdleOptions [Hex]", 161, 4, 0},
    {"eb_DataOptions", "DataOptions [Hex]", 199, 4, 0},
    {"eb_CounterOptions", "CounterOptions [Hex]", 175, 4, 0},
};
const field_info value_fields[9] = {
    {"ebx_X_TolRewind", "X_ToleranceRewind", 60, 1, 0},  {"ebx_X_TolForward", "X_ToleranceForward", 61, 1, 0},
    {"ebx_DelayTime", "DelayTime [ms]", 149, -4, 0},     {"ebx_IdleLimit", "IdleLimit", 165, -2, 2},
    {"ebx_DataCnt", "DataCnt", 203, -4, 0},              {"ebx_DataMin", "DataMin", 207, -2, 0},
    {"ebx_DataMax", "DataMax", 209, -2, 0},              {"ebx_CounterValue", "CounterValue", 183, -4, 0},
    {"ebx_CounterLimit", "CounterLimit", 187, -4, 0},
};

int64_t read_field(const uint8_t* s, const field_info& f)
{
    return f.width < 0 ? int64_t(le::get_s(s + f.offset, unsigned(-f.width))) : int64_t(le::get_u(s + f.offset, unsigned(f.width)));
}

// The table's cell callback reads the sector of the panel being refilled.
const uint8_t* g_filling = nullptr;

void cell_texts(int row, const void*, QStringList* texts)
{
    c_gbw_pm_toolinfo::modeParCellText(row, g_filling, texts);
}

}  // namespace

c_gbw_pm_toolinfo::c_gbw_pm_toolinfo(QWidget* parent) : QGroupBox(parent)
{
    setObjectName(QStringLiteral("c_gbw_pm_toolinfo"));
    setTitle(tr("Info"));
    setFixedWidth(500);
    setMinimumHeight(170);
    setMaximumHeight(220);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(2);
    auto label = [&](const char* name, const QString& text, int row, int column) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        grid->addWidget(l, row, column);
    };
    for (int i = 0; i < 5; ++i) {
        QLineEdit* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(hex_fields[i].name));
        e->setToolTip(QLatin1String(hex_fields[i].tip));
        e->setEnabled(false);
        e->setMinimumWidth(30);
        if (i < 4)
            hex_[i] = e;
        else
            eb_CounterOptions = e;
    }
    for (int i = 0; i < 9; ++i) {
        values_[i] = new c_qlineedit_extend(this);
        values_[i]->setObjectName(QLatin1String(value_fields[i].name));
        values_[i]->setToolTip(QLatin1String(value_fields[i].tip));
        values_[i]->setRange(0, 0, value_fields[i].decimals);
        values_[i]->setEnabled(false);
        values_[i]->setMinimumWidth(30);
    }
    // First row: X_Tol, Delay, Idle; third row: Data, Counter.
    label("l_TypeInfo_5", tr("X_Tol:"), 0, 0);
    grid->addWidget(hex_[0], 0, 1);
    grid->addWidget(values_[0], 0, 2);
    grid->addWidget(values_[1], 0, 3);
    label("l_TypeInfo_4", tr("Delay:"), 0, 4);
    grid->addWidget(hex_[1], 0, 5);
    grid->addWidget(values_[2], 0, 6);
    label("label_3", tr("Idle:"), 0, 7);
    grid->addWidget(hex_[2], 0, 9);
    grid->addWidget(values_[3], 0, 10);
    label("label", tr("Data:"), 2, 0);
    grid->addWidget(hex_[3], 2, 1);
    grid->addWidget(values_[4], 2, 2);
    grid->addWidget(values_[5], 2, 3);
    grid->addWidget(values_[6], 2, 4);
    label("label_2", tr("Counter:"), 2, 5);
    grid->addWidget(eb_CounterOptions, 2, 6);
    grid->addWidget(values_[7], 2, 7);
    grid->addWidget(values_[8], 2, 9);

    tbwx_ToolParam = new c_qtablewidget_functab(this);
    tbwx_ToolParam->setObjectName(QStringLiteral("tbwx_ToolParam"));
    tbwx_ToolParam->setSelectionMode(QAbstractItemView::NoSelection);
    tbwx_ToolParam->setMinimumSize(444, 88);
    tbwx_ToolParam->setMaximumSize(452, 100);
    tbwx_ToolParam->verticalHeader()->setDefaultSectionSize(18);
    tbwx_ToolParam->horizontalHeader()->setFixedHeight(18);
    QStringList rows{tr("Break"), tr("Blunt"), tr("Missing")};
    QStringList columns{tr("Mode"),     tr("Limit [%]"), tr("Tol.[%]"), tr("Time[ms]"),
                        tr("Work [%]"), tr("Durat."),    tr("Options"), tr("Range")};
    static const quint16 widths[] = {40, 55, 45, 57, 58, 45, 48, 45};
    static const uint8_t three_rows[3] = {};
    tbwx_ToolParam->setupTable(3, &rows, &columns, 50, widths, nullptr, cell_texts, 0);
    tbwx_ToolParam->setLayoutInfo(three_rows, 3, 1);
    grid->addWidget(tbwx_ToolParam, 3, 0, 1, 11);
    // Two fields of the form outside the visible area, never filled.
    for (const char* name : {"ebx_DataMax_6", "ebx_DataMax_8"}) {
        auto* spare = new c_qlineedit_extend(this);
        spare->setObjectName(QLatin1String(name));
        spare->setText(QStringLiteral("99999"));
        spare->setEnabled(false);
        spare->setGeometry(width() + 100, 0, 40, 20);
        spare->hide();  // out of sight wherever the panel is laid out
    }
    setRecord(nullptr);
}

void c_gbw_pm_toolinfo::modeParCellText(int row, const uint8_t* s, QStringList* texts)
{
    texts->clear();
    if (row < 0 || row > 2) {
        *texts << QStringLiteral("overflow!!");
        return;
    }
    if (!in_use(s)) {
        for (int i = 0; i < 8; ++i)
            *texts << QStringLiteral("---");
        return;
    }
    const mode_row& r = mode_rows[row];
    auto opt = [&](uint32_t off, auto fn) { return off ? fn(off) : QString(); };
    *texts << QString::number(int8_t(s[r.mode])) << hundredths(le::i16(s + r.limit))
           << hundredths(le::i16(s + r.tolerance)) << QString::number(le::i32(s + r.time))
           << opt(r.work, [&](uint32_t o) { return hundredths(le::i16(s + o)); })
           << opt(r.duration, [&](uint32_t o) { return QString::number(le::i32(s + o)); })
           << hex4(le::u32(s + r.options)) << QString::number(le::i16(s + r.range));
}

void c_gbw_pm_toolinfo::setRecord(const uint8_t* sector512)
{
    record_ = sector512;
    g_filling = sector512;
    tbwx_ToolParam->refillRows(0);
    g_filling = nullptr;
    const bool used = in_use(sector512);
    for (int i = 0; i < 5; ++i) {
        QLineEdit* e = i < 4 ? hex_[i] : eb_CounterOptions;
        e->setText(used ? hex4(le::u32(sector512 + hex_fields[i].offset)) : QStringLiteral("----"));
    }
    for (int i = 0; i < 9; ++i)
        values_[i]->setValue(used ? int(read_field(sector512, value_fields[i])) : 0);
}
