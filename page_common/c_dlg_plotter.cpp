#include "page_common/c_dlg_plotter.h"

#include <QCheckBox>
#include <QDebug>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "core/device/device_commands.h"
#include "core/files/app_dirs.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/text/global_tables.h"
#include "core/text/user_seam.h"
#include "procmon/pm_csv.h"
#include "procmon/pm_limits.h"
#include "state/shell_state.h"
#include "widgets/c_my_rbg.h"
#include "widgets/c_plotter_tvx.h"
#include "widgets/c_qtableview_functab.h"

namespace {

constexpr int tool_rows = 500;
constexpr int record_rows = 8300;
constexpr int tool_curve = 1;
const int limit_slots[3] = {0, 2, 3};  // missing, blunt, break
const QColor evicted_colour(238, 233, 225, 127);

const char* const status_names[16] = {"Ready",   "Scanning", "KO",     "OK",     "Break",  "Blunt",
                                      "Missing", "Contact",  "FeedM",  "FeedOK", "FeedP",  "Res11",
                                      "Res12",   "Res13",    "Res14",  "Res15"};
const char* const status_texts[16] = {"Ready:",   "Scanning:", "KO:",       "OK:",       "Break:",    "Blunt:",
                                      "Missing:", "Contact:",  "Feed -:",   "Feed OK:",  "Feed +:",   "Reserved:",
                                      "Reserved:", "Reserved:", "Reserved:", "Reserved:"};
const char* const error_names[16] = {"Command", "DataRead", "DataWrite", "NoToolType", "NoTool", "OutOfMem",
                                     "Res6",    "Res7",     "Res8",      "Res9",       "Res10",  "Res11",
                                     "Res12",   "Res13",    "Res14",     "Res15"};
const char* const error_texts[16] = {"Command:",  "Data Read:", "Data Write:", "No Tool Type:", "No Tool:",
                                     "Out Of Mem.:", "Reserved:", "Reserved:",  "Reserved:",     "Reserved:",
                                     "Reserved:", "Reserved:",  "Reserved:",   "Reserved:",     "Reserved:",
                                     "Reserved:"};

QMap<int, std::function<c_dlg_plotter::page_views()>>& page_view_sources()
{
    static QMap<int, std::function<c_dlg_plotter::page_views()>> sources;
    return sources;
}

PlotSettings start_range()
{
    PlotSettings r;
    r.xMin = 0;
    r.xMax = 100;
    r.yMin = 0;
    r.yMax = 500;
    r.xTicks = r.yTicks = 5;
    return r;
}

// The record of an array row: a tool slot of the working image or an entry of the record store.
const_tool_slot slot_of(bool isRecording, int row)
{
    return isRecording ? const_tool_slot(g_images().pm_record(uint32_t(row)))
                       : const_tool_slot(g_config_image().tool(uint32_t(row)));
}

bool ticked(c_qtableview_functab* view, int row)
{
    // A row the view does not show (filtered out) counts as not ticked.
    QStandardItem* item = view->item_of_array_index(row, 0);
    return item && item->checkState() == Qt::Checked;
}

int record_int(const uint8_t* record, const char* field)
{
    return int(basic_byte_view<const uint8_t>(record, tool_record_size).get(*tool_record_fields().find(field)));
}

QGroupBox* bit_group(QWidget* parent, const char* objectName, const QString& title, QCheckBox** boxes,
                     const char* const* names, const char* const* texts, const char* prefix, int labelBase)
{
    auto* g = new QGroupBox(title, parent);
    g->setObjectName(QLatin1String(objectName));
    g->setFixedSize(196, 146);
    auto* grid = new QGridLayout(g);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(0);
    // Sixteen bit names in two columns: a small font of its own, whatever the system font.
    QFont small = g->font();
    small.setPointSizeF(7);
    for (int i = 0; i < 16; ++i) {
        auto* label = new QLabel(QLatin1String(texts[i]), g);
        label->setObjectName(QStringLiteral("PM_CurrCmdBit%1_Label").arg(labelBase + i, 2, 10, QLatin1Char('0')));
        label->setFont(small);
        boxes[i] = new QCheckBox(g);
        boxes[i]->setObjectName(QLatin1String(prefix) + QLatin1String(names[i]));
        boxes[i]->setEnabled(false);
        const int column = (i / 8) * 2;
        grid->addWidget(label, i % 8, column);
        grid->addWidget(boxes[i], i % 8, column + 1);
    }
    return g;
}

}  // namespace

c_dlg_plotter::c_dlg_plotter(QWidget* parent)
    : QDialog(parent), toolCurveSlot_(tool_rows, -1), recordCurveSlot_(record_rows, -1), plotRange_(start_range()),
      toolPlotRange_(start_range())
{
    setObjectName(QStringLiteral("c_dlg_plotter"));
    build_form();
    setWindowTitle(tr("Plotter Window"));
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);

    QVector<QColor> colours;
    for (int i = 0; i < slot_count; ++i)
        colours.push_back(slot_colour(i));
    plot_Main->setup_curves(true, true, slot_count, &colours, 1, 0, 1, 2);
    plot_Zoom->setup_curves(false, false, slot_count, &colours, 1, 0, 1, 2);
    plot_Main->apply_view_range(&plotRange_, false, false);
    plot_Zoom->apply_view_range(&plotRange_, false, false);

    connect(plot_Main, &c_plotter_se::sig_ZoomChanged, this, &c_dlg_plotter::on_plot_Main_zoomChanged);
    connect(plot_Zoom, &c_plotter_se::sig_ZoomChanged, this, &c_dlg_plotter::on_plot_Zoom_zoomChanged);
    connect(rbg_SettingsMode, &c_my_rbg::sig_rb_clicked, this, &c_dlg_plotter::on_rbg_SettingsMode_clicked);
    connect(timeEdit, &QTimeEdit::timeChanged, this, &c_dlg_plotter::on_timeEdit_timeChanged);
    connect(timeEdit, &QTimeEdit::editingFinished, this, &c_dlg_plotter::on_timeEdit_editingFinished);
    connect(sp_MaxData, &QSpinBox::editingFinished, this, &c_dlg_plotter::on_sp_MaxData_editingFinished);
    connect(sp_MaxData, QOverload<int>::of(&QSpinBox::valueChanged), this, &c_dlg_plotter::on_sp_MaxData_valueChanged);
    connect(bn_ShowPlotter, &QPushButton::clicked, this, &c_dlg_plotter::on_bn_ShowPlotter_clicked);
    connect(bn_ClearPlotter, &QPushButton::clicked, this, &c_dlg_plotter::on_bn_ClearPlotter_clicked);
}

c_dlg_plotter::~c_dlg_plotter()
{
    plot_Main->detach_all_curves();
    plot_Zoom->detach_all_curves();
}

void c_dlg_plotter::build_form()
{
    resize(1014, 760);
    auto* horizontalLayout = new QHBoxLayout(this);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    auto* verticalLayout_2 = new QVBoxLayout;
    verticalLayout_2->setObjectName(QStringLiteral("verticalLayout_2"));
    plot_Main = new c_plotter_tvx(this);
    plot_Main->setObjectName(QStringLiteral("plot_Main"));
    plot_Zoom = new c_plotter_tvx(this);
    plot_Zoom->setObjectName(QStringLiteral("plot_Zoom"));
    for (c_plotter_tvx* p : {plot_Main, plot_Zoom}) {
        p->setMinimumHeight(320);
        p->setMaximumHeight(2000);
    }
    verticalLayout_2->addWidget(plot_Main, 1);
    verticalLayout_2->addWidget(plot_Zoom);
    horizontalLayout->addLayout(verticalLayout_2, 1);

    auto* verticalLayout = new QVBoxLayout;
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    rbg_SettingsMode = new c_my_rbg(this);
    rbg_SettingsMode->setObjectName(QStringLiteral("rbg_SettingsMode"));
    rbg_SettingsMode->setTitle(tr("Settings Mode"));
    rbg_SettingsMode->setFixedWidth(140);
    rbg_SettingsMode->setMinimumHeight(100);
    rbg_SettingsMode->create_buttons(QStringList{tr("Auto"), tr("Manual")}, Qt::Vertical);
    verticalLayout->addWidget(rbg_SettingsMode);

    auto* l_MaxSamples = new QLabel(tr("Max Record Time [mm:ss]"), this);
    l_MaxSamples->setObjectName(QStringLiteral("l_MaxSamples"));
    timeEdit = new QTimeEdit(this);
    timeEdit->setObjectName(QStringLiteral("timeEdit"));
    timeEdit->setDisplayFormat(QStringLiteral("mm:ss"));
    timeEdit->setMinimumTime(QTime(0, 0, 5));
    timeEdit->setMaximumTime(QTime(0, 59, 59));
    timeEdit->setTime(QTime(0, 0, 30));
    auto* l_MaxData = new QLabel(tr("Max Data"), this);
    l_MaxData->setObjectName(QStringLiteral("l_MaxData"));
    sp_MaxData = new QSpinBox(this);
    sp_MaxData->setObjectName(QStringLiteral("sp_MaxData"));
    sp_MaxData->setRange(3, 100);
    sp_MaxData->setSingleStep(1);
    sp_MaxData->setValue(5);
    for (QWidget* w : {static_cast<QWidget*>(l_MaxSamples), static_cast<QWidget*>(timeEdit),
                       static_cast<QWidget*>(l_MaxData), static_cast<QWidget*>(sp_MaxData)})
        verticalLayout->addWidget(w);

    bn_ShowPlotter = new QPushButton(tr("Refresh Plotter"), this);
    bn_ShowPlotter->setObjectName(QStringLiteral("bn_ShowPlotter"));
    bn_ClearPlotter = new QPushButton(tr("Clear Online Curve"), this);
    bn_ClearPlotter->setObjectName(QStringLiteral("bn_ClearPlotter"));
    for (QPushButton* b : {bn_ShowPlotter, bn_ClearPlotter}) {
        b->setMinimumSize(120, 28);
        b->setMaximumHeight(28);
        b->setAutoDefault(false);
        verticalLayout->addWidget(b);
    }
    verticalLayout->addWidget(bit_group(this, "PM_CurrStatus_Frame", tr("Status"), statusBoxes_, status_names,
                                        status_texts, "chb_PMS_", 0));
    verticalLayout->addWidget(bit_group(this, "PM_CurrError_Frame", tr("Error"), errorBoxes_, error_names,
                                        error_texts, "chb_PME_", 16));

    auto* tool = new QGroupBox(tr("Tool"), this);
    tool->setObjectName(QStringLiteral("PM_CurrData_Frame"));
    tool->setFixedSize(196, 101);
    auto* grid = new QGridLayout(tool);
    const QString valueStyle = QStringLiteral("background-color: rgb(255, 255, 127);");
    pn_PM_Tool_Name = new QLabel(tool);
    pn_PM_Tool_Name->setObjectName(QStringLiteral("pn_PM_Tool_Name"));
    pn_PM_Tool_DuploNr = new QLabel(tool);
    pn_PM_Tool_DuploNr->setObjectName(QStringLiteral("pn_PM_Tool_DuploNr"));
    pn_PM_Tool_ProcessNr = new QLabel(tool);
    pn_PM_Tool_ProcessNr->setObjectName(QStringLiteral("pn_PM_Tool_ProcessNr"));
    for (QLabel* l : {pn_PM_Tool_Name, pn_PM_Tool_DuploNr, pn_PM_Tool_ProcessNr})
        l->setStyleSheet(valueStyle);
    auto* dnLabel = new QLabel(tr("DN:"), tool);
    dnLabel->setObjectName(QStringLiteral("PM_CurrDataDN_Label"));
    auto* pnLabel = new QLabel(tr("PN:"), tool);
    pnLabel->setObjectName(QStringLiteral("PM_CurrDataPN_Label"));
    grid->addWidget(pn_PM_Tool_Name, 0, 0, 1, 2);
    grid->addWidget(dnLabel, 1, 0);
    grid->addWidget(pn_PM_Tool_DuploNr, 1, 1);
    grid->addWidget(pnLabel, 2, 0);
    grid->addWidget(pn_PM_Tool_ProcessNr, 2, 1);
    verticalLayout->addWidget(tool);
    verticalLayout->addStretch(1);
    horizontalLayout->addLayout(verticalLayout);
}

QColor c_dlg_plotter::slot_colour(int slot)
{
    const auto& palette = g_global_tables().plot_curve_palette;
    if (slot < 0 || size_t(slot) >= palette.size())
        return QColor(255, 255, 255);
    const rgba_colour& c = palette[size_t(slot)];
    return QColor(c.r, c.g, c.b, c.a);
}

void c_dlg_plotter::set_page_views(int windowMode, std::function<page_views()> views)
{
    if (views)
        page_view_sources().insert(windowMode, std::move(views));
    else
        page_view_sources().remove(windowMode);
}

c_dlg_plotter::page_views c_dlg_plotter::refresh_views() const
{
    const auto it = page_view_sources().constFind(g_shell().window_mode);
    return it == page_view_sources().constEnd() ? page_views() : (*it)();
}

void c_dlg_plotter::attach_both(int slot, QVector<qint16>* samples)
{
    plot_Main->attach_curve(slot, nullptr, samples, false);
    plot_Zoom->attach_curve(slot, nullptr, samples, false);
}

void c_dlg_plotter::attach_limits()
{
    for (int i = 0; i < 3; ++i)
        attach_both(limit_slots[i], &limits_[i]);
}

void c_dlg_plotter::apply_range(const PlotSettings& range)
{
    plot_Main->apply_view_range(&range, true, true);
    plot_Zoom->apply_view_range(&range, true, true);
}

void c_dlg_plotter::compute_limits(const uint8_t* record, const QVector<qint16>& samples)
{
    yLow_ = record_int(record, "DataMin");
    yHigh_ = record_int(record, "DataMax");
    const pm_limit_set s = pm_limit_thresholds(record, g_config_image());
    std::vector<int16_t> m, b, k;
    pm_limit_curves(s, samples.constData(), size_t(samples.size()), m, b, k, yLow_, yHigh_);
    limits_[0] = QVector<qint16>(m.begin(), m.end());
    limits_[1] = QVector<qint16>(b.begin(), b.end());
    limits_[2] = QVector<qint16>(k.begin(), k.end());
}

bool c_dlg_plotter::showCurves(bool teachMode, bool autoRange, bool recomputeLimits, QTableView* tools,
                               QTableView* records, bool noShow)
{
    auto* toolView = qobject_cast<c_qtableview_functab*>(tools);
    auto* recordView = qobject_cast<c_qtableview_functab*>(records);
    if (toolView)
        for (int s = 0; s <= 3; ++s) {
            plot_Main->detach_curve(s, false);
            plot_Zoom->detach_curve(s, false);
        }
    if (recordView)
        for (int s = 4; s <= 9; ++s) {
            plot_Main->detach_curve(s, false);
            plot_Zoom->detach_curve(s, false);
        }
    PlotSettings range = start_range();
    load_result counts;
    if (toolView) {
        if (!loadCurves(false, teachMode, recomputeLimits, toolView, toolCurveSlot_, counts, range))
            return false;
        toolPlotRange_ = range;
    }
    if (recordView && !loadCurves(true, false, recomputeLimits, recordView, recordCurveSlot_, counts, range))
        return false;
    if (teachMode && entries_[tool_curve].row >= 0)
        range = toolPlotRange_;
    if (autoRange && counts.shown > 0) {
        apply_range(range);
        plotRange_ = range;
    } else if (!autoRange || counts.evicted > 0) {
        plot_Main->redraw_hide_band();
        plot_Zoom->redraw_hide_band();
    }
    if (!isVisible() && !noShow) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    }
    return true;
}

bool c_dlg_plotter::loadCurves(bool isRecording, bool teachMode, bool recomputeLimits, c_qtableview_functab* view,
                               std::vector<int>& rowToSlot, load_result& counts, PlotSettings& range)
{
    const int rows = isRecording ? record_rows : tool_rows;
    const int first = isRecording ? 4 : (teachMode ? tool_curve : 0);
    const int last = isRecording ? 9 : (teachMode ? tool_curve : 3);
    const int capacity = last - first + 1;

    auto in_use = [&](int row) { return slot_of(isRecording, row).in_use(); };
    int tickedCount = 0, shownUnticked = 0;
    for (int row = 0; row < rows; ++row) {
        if (!in_use(row))
            continue;
        if (ticked(view, row))
            ++tickedCount;
        else if (rowToSlot[size_t(row)] >= 0)
            ++shownUnticked;
    }
    if (tickedCount > capacity) {
        ui::current().message(ui::box_kind::critical, tr("ERROR"), tr("To many curves selected!!"));
        return false;
    }

    int evicted = 0;
    for (int row = 0, n = tickedCount + shownUnticked - capacity; row < rows && n > 0; ++row) {
        const int s = rowToSlot[size_t(row)];
        if (s < 0 || !in_use(row) || ticked(view, row))
            continue;
        entries_[s].row = -1;
        rowToSlot[size_t(row)] = -1;
        view->set_row_background(row, 0, evicted_colour);
        ++evicted;
        --n;
    }

    bool result = true;
    int shown = 0;
    for (int row = 0; row < rows; ++row) {
        if (!in_use(row) || !ticked(view, row))
            continue;
        const uint8_t* record = slot_of(isRecording, row).record().data();
        int s = rowToSlot[size_t(row)];
        if (s >= 0 && entries_[s].row == row) {
            attach_both(s, &entries_[s].samples);
            if (teachMode) {
                if (recomputeLimits && s == tool_curve)
                    compute_limits(record, entries_[s].samples);
                attach_limits();
            }
            ++shown;
            continue;
        }
        s = -1;
        for (int j = first; j <= last; ++j)
            if (entries_[j].row < 0) {
                s = j;
                break;
            }
        if (s < 0)
            continue;  // cannot happen after the count above; kept for safety
        QVector<qint16> samples;
        result = read_curve(isRecording, row, record, samples);
        if (!result)
            continue;
        entries_[s].row = row;
        entries_[s].samples = std::move(samples);
        rowToSlot[size_t(row)] = s;
        attach_both(s, &entries_[s].samples);
        view->set_row_background(row, 0, slot_colour(s));
        if (teachMode) {
            compute_limits(record, entries_[s].samples);
            attach_limits();
        }
        ++shown;
    }

    for (int s = first; s <= last; ++s) {
        const int row = entries_[s].row;
        if (row < 0 || !ticked(view, row))
            continue;
        const uint8_t* record = slot_of(isRecording, row).record().data();
        range.xMax = std::max(range.xMax, std::max(0, record_int(record, "DataCnt")));
        range.yMax = std::max(range.yMax, teachMode ? yHigh_ : record_int(record, "DataMax"));
    }
    counts.shown += shown;
    counts.evicted += evicted;
    return result;
}

bool c_dlg_plotter::read_curve(bool isRecording, int row, const uint8_t* record, QVector<qint16>& out)
{
    std::vector<int16_t> samples;
    bool ok = false;
    if (g_program_document().source == 2) {
        int status = 0;
        ok = pm_csv_file_name_for(isRecording, g_program_document().file_name, record, samples, status);
        if (!ok) {
            ui::current().message(ui::box_kind::critical, QStringLiteral("Error"),
                                  QStringLiteral("Error reading process-data from csv-file!"));
            return false;
        }
    } else {
        // The same safe name the export looks for, so no tool name leaves the cache folder.
        const QString cache = data_file(QStringLiteral("pm_cache/") + pm_record_file_name(isRecording, record));
        bool parametersOk = false;
        const int count = std::max(0, record_int(record, "DataCnt"));
        // A cache file that cannot be read, or holds another number of samples than the
        // record, is read again from the controller and rewritten.
        ok = QFile::exists(cache) && pm_read_csv(samples, nullptr, parametersOk, cache) &&
             samples.size() == size_t(count);
        if (!ok) {
            ui::services& u = ui::current();
            u.progress_begin(QStringLiteral("Reading process data from Tarvix. Please wait ..."));
            u.process_events();
            dev_progress progress;
            bool found = false;
            error_record err;
            std::vector<int16_t> values;
            ok = dev_read_value_list(isRecording, uint16_t(row), uint32_t(count), progress, found, values, err);
            u.progress_end();
            u.process_events();
            if (!ok) {
                u.message(ui::box_kind::critical, tr("ERROR"), tr("Reading curve data from Tarvix failed!!"));
                return false;
            }
            samples = std::move(values);
            // A good read stays good when the cache cannot be written.
            if (!write_curve_csv(samples, record, cache))
                qDebug() << "curve cache not written:" << cache;
        }
    }
    out = QVector<qint16>(samples.begin(), samples.end());
    return true;
}

bool c_dlg_plotter::showTeachCurves(const QByteArray& tool_record)
{
    QVector<qint16>* samples = plot_Main->curve_data(tool_curve);
    if (!samples || samples->isEmpty()) {
        ui::current().message(ui::box_kind::warning, QStringLiteral("WARNING"),
                              QStringLiteral("No Teach-Data is available!\nPlease go back to previous dialog and "
                                             "read the tool curve!"));
        return false;
    }
    if (size_t(tool_record.size()) < tool_record_size)
        return false;
    compute_limits(reinterpret_cast<const uint8_t*>(tool_record.constData()), *samples);
    plotRange_.yMin = yLow_;
    plotRange_.yMax = yHigh_;
    attach_limits();
    apply_range(plotRange_);
    return true;
}

void c_dlg_plotter::updateStatusDisplay()
{
    const auto& block = g_dev_commands().process_data;
    const uint16_t status = le::u16(block.data() + 84);
    const uint16_t errors = le::u16(block.data() + 86);
    for (int i = 0; i < 16; ++i) {
        statusBoxes_[i]->setChecked((status >> i) & 1u);
        errorBoxes_[i]->setChecked((errors >> i) & 1u);
    }
    const char* name = reinterpret_cast<const char*>(block.data() + 26);
    pn_PM_Tool_Name->setText(QString::fromLatin1(name, int(qstrnlen(name, 29))));
    pn_PM_Tool_DuploNr->setText(QString::number(block[55]));
    pn_PM_Tool_ProcessNr->setText(QString::number(le::u16(block.data() + 56)));
}

void c_dlg_plotter::on_plot_Main_zoomChanged(PlotSettings* range)
{
    plot_Zoom->apply_view_range(range, false, true);
}

void c_dlg_plotter::on_plot_Zoom_zoomChanged(PlotSettings* range)
{
    plot_Main->show_zoom_band(range);
}

bool c_dlg_plotter::auto_range() const { return rbg_SettingsMode->index() == 0; }

void c_dlg_plotter::on_rbg_SettingsMode_clicked(int index)
{
    qDebug("on_rbg_SettingsMode_clicked IndexP = %d", index);
    // A call from code, not a click, brings the group in step first.
    if (rbg_SettingsMode->index() != index)
        rbg_SettingsMode->setIndex(index);
    timeEdit->setEnabled(index == 1);
    sp_MaxData->setEnabled(index == 1);
    if (index == 0) {
        plotRange_.xMin = 0;
        plotRange_.xMax = QTime(0, 0).secsTo(timeEdit->time()) * 100;
        plotRange_.yMin = 0;
        plotRange_.yMax = sp_MaxData->value() * 100;
        return;
    }
    if (index != 1)
        return;
    const page_views v = refresh_views();
    showCurves(true, false, false, v.tools, v.records, false);
    // The display format holds at most 59:59.
    const int seconds = std::min(59 * 60 + 59, (std::max(0, plotRange_.xMax) + 99) / 100);
    qDebug("on_rbg_SettingsMode_clicked: setValue: %d", seconds);
    timeEdit->setTime(QTime(0, seconds / 60, seconds % 60));
    sp_MaxData->setValue((std::max(0, plotRange_.yMax) + 99) / 100);
}

void c_dlg_plotter::apply_time(const QTime& time)
{
    plotRange_.xMax = QTime(0, 0).secsTo(time) * 100;
    apply_range(plotRange_);
}

void c_dlg_plotter::apply_max_data(int value)
{
    plotRange_.yMax = value * 100;
    apply_range(plotRange_);
}

void c_dlg_plotter::on_timeEdit_timeChanged(const QTime& time)
{
    qDebug("on_sp_MaxSamples_valueChanged Changed: %d", QTime(0, 0).secsTo(time));
    apply_time(time);
}

void c_dlg_plotter::on_timeEdit_editingFinished()
{
    qDebug("editing Finished Value: %d", QTime(0, 0).secsTo(timeEdit->time()));
    apply_time(timeEdit->time());
}

void c_dlg_plotter::on_sp_MaxData_editingFinished()
{
    qDebug("editing MaxData Finished Value: %d", sp_MaxData->value());
    apply_max_data(sp_MaxData->value());
}

void c_dlg_plotter::on_sp_MaxData_valueChanged(int value)
{
    qDebug("on_sp_MaxData_valueChanged Changed: %d", value);
    apply_max_data(value);
}

void c_dlg_plotter::on_bn_ShowPlotter_clicked()
{
    const page_views v = refresh_views();
    showCurves(true, auto_range(), false, v.tools, v.records, false);
}

void c_dlg_plotter::on_bn_ClearPlotter_clicked()
{
    if (g_shell().window_mode != wm_manual)
        return;
    plot_Main->set_visible_curve_mask(0x400);
    plot_Zoom->set_visible_curve_mask(0x400);
    entries_[online_slot].samples.clear();
    plot_Main->redraw_hide_band();
    plot_Zoom->redraw_hide_band();
}

void c_dlg_plotter::reset_plots()
{
    plot_Main->detach_all_curves();
    plot_Zoom->detach_all_curves();
    for (curve_entry& e : entries_) {
        e.row = -1;
        e.samples.clear();
    }
    for (QVector<qint16>& l : limits_)
        l.clear();
    reset_tool_slots();
    reset_record_slots();
    plot_Main->redraw_hide_band();
    plot_Zoom->redraw_hide_band();
}

void c_dlg_plotter::hide_and_detach()
{
    hide();
    plot_Main->detach_all_curves();
    plot_Zoom->detach_all_curves();
}

void c_dlg_plotter::reset_tool_slots()
{
    std::fill(toolCurveSlot_.begin(), toolCurveSlot_.end(), -1);
}

void c_dlg_plotter::reset_record_slots()
{
    std::fill(recordCurveSlot_.begin(), recordCurveSlot_.end(), -1);
}

void c_dlg_plotter::select_auto_mode(bool editsEnabled)
{
    rbg_SettingsMode->setIndex(0);
    timeEdit->setEnabled(editsEnabled);
    sp_MaxData->setEnabled(editsEnabled);
}
