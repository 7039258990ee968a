#include "procmon/windows/c_dlg_pm_data.h"

#include <QHeaderView>
#include <QVBoxLayout>
#include <algorithm>

#include "core/files/sd_card_layout.h"
#include "procmon/sdcard_reader.h"
#include "widgets/c_qtableview_functab.h"

c_dlg_pm_data::c_dlg_pm_data(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("c_dlg_pm_data"));
    setWindowTitle(tr("Dialog"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(640, 701);
    // The 50-pixel columns are made for a small dialog font.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    auto* layout = new QVBoxLayout(this);
    tbwx_PM_Data = new c_qtableview_functab(this);
    tbwx_PM_Data->setObjectName(QStringLiteral("tbwx_PM_Data"));
    tbwx_PM_Data->setMinimumWidth(330);
    tbwx_PM_Data->setMaximumWidth(345);
    tbwx_PM_Data->setSelectionMode(QAbstractItemView::NoSelection);
    layout->addWidget(tbwx_PM_Data);
}

c_dlg_pm_data::~c_dlg_pm_data() = default;

bool c_dlg_pm_data::set_data(bool isRecording, int32_t count1, int32_t index1, int32_t count2, int32_t index2)
{
    namespace cl = sd_card_layout;
    count1 = cl::clamp_count(count1);
    count2 = cl::clamp_count(count2);
    twoSeries_ = count2 != 0;
    series1_.clear();
    series2_.clear();
    bool ok = count1 == 0 || sdcard_read_samples(isRecording, index1, count1, series1_);
    if (ok && twoSeries_)
        ok = sdcard_read_samples(false, index2, count2, series2_);
    rows_ = ok ? (twoSeries_ ? std::max(count1, count2) : count1) : 0;
    if (!ok) {
        series1_.clear();
        series2_.clear();
    }
    rowIds_.assign(size_t(rows_), 1);

    const QStringList columns{tr("Nr"), tr("Dez"), tr("Hex"), tr("Dez"), tr("Hex"), tr("Diff")};
    static const quint16 widths[] = {50, 50, 50, 50, 50, 50};
    table_view_options options;
    tbwx_PM_Data->setup(0, nullptr, &columns, 0, widths, [](int, const void*) { return true; },
                        [this](int index, const void*, QStringList* texts) { rowText(index, texts); }, 0, &options);
    // The headers are set before the rows exist: resizing 1.8 million sections afterwards
    // costs more than filling them.
    tbwx_PM_Data->verticalHeader()->hide();
    tbwx_PM_Data->verticalHeader()->setDefaultSectionSize(18);
    tbwx_PM_Data->horizontalHeader()->setStretchLastSection(true);
    tbwx_PM_Data->set_array_geometry(rowIds_.data(), rows_, 1);
    tbwx_PM_Data->refill_rows(0);
    return ok;
}

void c_dlg_pm_data::rowText(int r, QStringList* texts) const
{
    texts->clear();
    const QString none = QStringLiteral("----");
    const bool has1 = r >= 0 && size_t(r) < series1_.size();
    const bool has2 = r >= 0 && size_t(r) < series2_.size();
    *texts << QString::number(r);
    if (has1)
        *texts << QString::number(series1_[size_t(r)]) << QString::asprintf("%04XH", unsigned(series1_[size_t(r)]));
    else
        *texts << none << none;
    if (!twoSeries_) {
        *texts << QStringLiteral(" ") << QStringLiteral(" ") << QStringLiteral(" ");
        return;
    }
    if (has2)
        *texts << QString::number(series2_[size_t(r)]) << QString::asprintf("%04XH", unsigned(series2_[size_t(r)]));
    else
        *texts << none << none;
    *texts << (has1 && has2 ? QString::number(int(series2_[size_t(r)]) - int(series1_[size_t(r)])) : none);
}
