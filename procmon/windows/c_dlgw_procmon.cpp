#include "procmon/windows/c_dlgw_procmon.h"

#include <QCheckBox>
#include <QDebug>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegExp>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QStorageInfo>
#include <QTableView>
#include <QVBoxLayout>
#include <cstring>

#include "core/image/byte_record.h"
#include "core/image/tool_records.h"
#include "core/text/user_seam.h"
#include "procmon/pm_csv.h"
#include "procmon/safe_file_name.h"
#include "procmon/windows/c_dlg_pm_data.h"
#include "procmon/windows/c_gbw_pm_toolinfo.h"
#include "procmon/windows/pm_cells.h"
#include "widgets/c_qlineedit_extend.h"
#include "widgets/c_qtablewidget_functab.h"

namespace {

namespace cl = sd_card_layout;

const quint16 column_widths[11] = {30, 110, 35, 45, 35, 30, 40, 50, 40, 40, 10};

// A field of the record inside a card sector (the record starts after the flag byte).
int64_t tool_value(const uint8_t* sector, const char* name)
{
    return basic_byte_view<const uint8_t>(sector + cl::record_offset, tool_record_size)
        .get(*tool_record_fields().find(name));
}
int64_t type_value(const uint8_t* sector, const char* name)
{
    return basic_byte_view<const uint8_t>(sector + cl::record_offset, tool_type_record_size)
        .get(*tool_type_record_fields().find(name));
}
QString sector_name(const uint8_t* sector, uint32_t offset)
{
    const char* p = reinterpret_cast<const char*>(sector + offset);
    return QString::fromLatin1(p, int(qstrnlen(p, 32)));
}
using pm_cells::hex4;
using pm_cells::hundredths;
using pm_cells::in_use;

void set_none(pm_card_node& n)
{
    n.index = -1;
    n.sector[cl::flag_offset] &= uint8_t(~cl::flag_in_use);
}

// The sector the two tool-type tables read.
uint8_t g_current_tooltype[cl::sector_size];

void tolerance_cells(int row, const void*, QStringList* texts)
{
    static const char* const grade[3][3] = {{"ToleranceFine", "X_ToleranceFineForward", "X_ToleranceFineRewind"},
                                            {"ToleranceMedium", "X_ToleranceMediumForward", "X_ToleranceMediumRewind"},
                                            {"ToleranceHigh", "X_ToleranceHighForward", "X_ToleranceHighRewind"}};
    if (row < 0 || row > 2)
        return;
    const uint8_t* s = g_current_tooltype;
    // The stored tolerance is in hundredths of a percent: shown as a fraction of one.
    *texts << QString::asprintf("%.2f", double(type_value(s, grade[row][0])) / 10000.0)
           << QString::number(type_value(s, grade[row][1])) << QString::number(type_value(s, grade[row][2]));
}

void mode_par_cells(int row, const void*, QStringList* texts)
{
    static const char* const group[3] = {"Break", "Blunt", "Missing"};
    if (row < 0 || row > 2) {
        for (int i = 0; i < 6; ++i)
            *texts << QStringLiteral("----");
        return;
    }
    const uint8_t* s = g_current_tooltype;
    const std::string g = group[row];
    auto v = [&](const char* field) { return type_value(s, (g + field).c_str()); };
    *texts << QString::number(v("Mode")) << hundredths(v("Limit")) << QString::number(v("Time"))
           << (row == 1 ? hundredths(v("Work")) : QString()) << hex4(v("Options")) << QString::number(v("Range"));
}

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}
QCheckBox* check(QWidget* parent, const char* name, const QString& text)
{
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QLatin1String(name));
    return c;
}
QTableView* table(QWidget* parent, const char* name)
{
    auto* t = new QTableView(parent);
    t->setObjectName(QLatin1String(name));
    t->setAlternatingRowColors(true);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::ExtendedSelection);
    t->setSortingEnabled(false);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->verticalHeader()->setDefaultSectionSize(18);
    return t;
}

}  // namespace

c_dlgw_procmon::c_dlgw_procmon(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("c_dlgw_procmon"));
    currentToolType_.index = currentTool_.index = currentRecording_.index = -1;
    set_free_space_probe(nullptr);
    build_form();
    createModels();
}

c_dlgw_procmon::~c_dlgw_procmon() = default;

void c_dlgw_procmon::build_form()
{
    resize(1032, 700);
    setWindowTitle(tr("Form"));
    // The column widths and table heights are made for a small dialog font.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(6, 0, 6, 2);

    // Tool types
    auto* gb_ToolTypes = new QGroupBox(tr("Tool Types"), this);
    gb_ToolTypes->setObjectName(QStringLiteral("gb_ToolTypes"));
    gb_ToolTypes->setMinimumSize(1020, 190);
    auto* types = new QHBoxLayout(gb_ToolTypes);
    auto* typeList = new QVBoxLayout;
    auto* typeButtons = new QHBoxLayout;
    bn_ToolTypeSaveAll = button(gb_ToolTypes, "bn_ToolTypeSaveAll", tr("Save All"));
    bn_ToolTypeSave = button(gb_ToolTypes, "bn_ToolTypeSave", tr("Save"));
    typeButtons->addWidget(bn_ToolTypeSaveAll);
    typeButtons->addWidget(bn_ToolTypeSave);
    typeList->addLayout(typeButtons);
    tbv_ToolTypes = table(gb_ToolTypes, "tbv_ToolTypes");
    tbv_ToolTypes->setMinimumSize(170, 114);
    typeList->addWidget(tbv_ToolTypes);
    auto* typeColumn = new QWidget(gb_ToolTypes);
    typeColumn->setLayout(typeList);
    typeList->setContentsMargins(0, 0, 0, 0);
    typeColumn->setMaximumWidth(180);
    types->addWidget(typeColumn);

    auto* gb_Tolerance = new QGroupBox(tr("Tolerance"), gb_ToolTypes);
    gb_Tolerance->setObjectName(QStringLiteral("gb_Tolerance"));
    gb_Tolerance->setFixedWidth(300);
    auto* tol = new QGridLayout(gb_Tolerance);
    auto* l5 = new QLabel(tr("X_Tol Options:"), gb_Tolerance);
    l5->setObjectName(QStringLiteral("l_TypeInfo_5"));
    auto hexField = [](QWidget* parent, const char* name, const char* tip) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(QLatin1String(name));
        e->setToolTip(QLatin1String(tip));
        e->setEnabled(false);
        return e;
    };
    typeHex_[0] = hexField(gb_Tolerance, "eb_X_TolOptions", "X_ToleranceOptions [Hex]");
    tol->addWidget(l5, 0, 0);
    tol->addWidget(typeHex_[0], 0, 1);
    tbwx_ToolTypesInfoTolerance = new c_qtablewidget_functab(gb_Tolerance);
    tbwx_ToolTypesInfoTolerance->setObjectName(QStringLiteral("tbwx_ToolTypesInfoTolerance"));
    tbwx_ToolTypesInfoTolerance->setMinimumSize(268, 92);
    tbwx_ToolTypesInfoTolerance->setMaximumSize(272, 92);
    tol->addWidget(tbwx_ToolTypesInfoTolerance, 1, 0, 1, 2);
    types->addWidget(gb_Tolerance);

    auto* gb_ToolTypeInfo = new QGroupBox(tr("Info"), gb_ToolTypes);
    gb_ToolTypeInfo->setObjectName(QStringLiteral("gb_ToolTypeInfo"));
    gb_ToolTypeInfo->setMinimumSize(400, 160);
    gb_ToolTypeInfo->setMaximumSize(1100, 160);
    auto* info = new QGridLayout(gb_ToolTypeInfo);
    auto infoLabel = [&](const char* name, const QString& text, int row) {
        auto* l = new QLabel(text, gb_ToolTypeInfo);
        l->setObjectName(QLatin1String(name));
        info->addWidget(l, row, 0);
    };
    infoLabel("l_TypeInfo_4", tr("Delay:"), 0);
    infoLabel("label_3", tr("Idle Options:"), 1);
    infoLabel("label_2", tr("Counter:"), 2);
    typeHex_[1] = hexField(gb_ToolTypeInfo, "eb_DelayOptions", "DelayOptions [Hex]");
    typeHex_[2] = hexField(gb_ToolTypeInfo, "eb_IdleOptions", "IdleOptions [Hex]");
    typeHex_[3] = hexField(gb_ToolTypeInfo, "eb_CounterOptions", "CounterOptions [Hex]");
    ebx_DelayTime = new c_qlineedit_extend(gb_ToolTypeInfo);
    ebx_DelayTime->setObjectName(QStringLiteral("ebx_DelayTime"));
    ebx_DelayTime->setToolTip(QStringLiteral("DelayTime [ms]"));
    ebx_DelayTime->setRange(0, 30000, 0);
    ebx_CounterLimit = new c_qlineedit_extend(gb_ToolTypeInfo);
    ebx_CounterLimit->setObjectName(QStringLiteral("ebx_CounterLimit"));
    ebx_CounterLimit->setToolTip(QStringLiteral("CounterLimit"));
    ebx_CounterLimit->setRange(0, 0, 0);
    for (QWidget* w : {static_cast<QWidget*>(ebx_DelayTime), static_cast<QWidget*>(ebx_CounterLimit)}) {
        w->setEnabled(false);
        w->setMaximumWidth(70);
    }
    for (QLineEdit* e : typeHex_) {
        e->setMinimumWidth(48);
        e->setMaximumWidth(70);
    }
    ebx_DelayTime->setMinimumWidth(48);
    ebx_CounterLimit->setMinimumWidth(48);
    info->addWidget(typeHex_[1], 0, 1);
    info->addWidget(ebx_DelayTime, 0, 2);
    info->addWidget(typeHex_[2], 1, 1);
    info->addWidget(typeHex_[3], 2, 1);
    info->addWidget(ebx_CounterLimit, 2, 2);
    tbwx_ToolTypesInfoModePar = new c_qtablewidget_functab(gb_ToolTypeInfo);
    tbwx_ToolTypesInfoModePar->setObjectName(QStringLiteral("tbwx_ToolTypesInfoModePar"));
    tbwx_ToolTypesInfoModePar->setFixedSize(362, 91);
    info->addWidget(tbwx_ToolTypesInfoModePar, 0, 3, 3, 1);
    types->addWidget(gb_ToolTypeInfo, 1);
    page->addWidget(gb_ToolTypes);

    // Tools and records: a row of boxes and buttons over the table and the info panel.
    auto section = [&](const char* name, const QString& title, QTableView*& view, const char* viewName,
                       c_gbw_pm_toolinfo*& panel, const std::vector<QWidget*>& controls) {
        auto* g = new QGroupBox(title, this);
        g->setObjectName(QLatin1String(name));
        auto* grid = new QGridLayout(g);
        auto* row = new QHBoxLayout;
        for (QWidget* w : controls)
            row->addWidget(w);
        row->addStretch(1);
        grid->addLayout(row, 0, 0);
        view = table(g, viewName);
        view->setMinimumHeight(150);
        grid->addWidget(view, 1, 0);
        panel = new c_gbw_pm_toolinfo(g);
        grid->addWidget(panel, 0, 1, 2, 1);
        page->addWidget(g, 1);
        return g;
    };
    chb_FilterToolTypes = check(this, "chb_FilterToolTypes", tr("Filter Tool Types"));
    chb_ToolParSortEnable = check(this, "chb_ToolParSortEnable", tr("Sort Enable"));
    bn_ToolParSaveAll = button(this, "bn_ToolParSaveAll", tr("Save All"));
    bn_ToolParSave = button(this, "bn_ToolParSave", tr("Save"));
    bn_ToolData = button(this, "bn_ToolData", tr("Data"));
    section("gb_ToolParameters", tr("Tools"), tbv_ToolParameters, "tbv_ToolParameters", toolPanel_,
            {chb_FilterToolTypes, chb_ToolParSortEnable, bn_ToolParSaveAll, bn_ToolParSave, bn_ToolData});
    chb_FilterToolParameters = check(this, "chb_FilterToolParameters", tr("Filter Tools"));
    chb_RecParSortEnable = check(this, "chb_RecParSortEnable", tr("Sort Enable"));
    bn_RecParSaveAll = button(this, "bn_RecParSaveAll", tr("Save All"));
    bn_RecParSave = button(this, "bn_RecParSave", tr("Save"));
    bn_RecData = button(this, "bn_RecData", tr("Data"));
    chb_AddToolData = check(this, "chb_AddToolData", tr("Add Tool Data"));
    section("gb_RecParameters", tr("Records"), tbv_RecParameters, "tbv_RecParameters", recordingPanel_,
            {chb_FilterToolParameters, chb_RecParSortEnable, bn_RecParSaveAll, bn_RecParSave, bn_RecData,
             chb_AddToolData});

    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    bn_Close = button(this, "bn_Close", tr("Close"));
    closeRow->addWidget(bn_Close);
    page->addLayout(closeRow);

    // The two tool-type tables read the current tool-type sector.
    static const uint8_t three_rows[3] = {};
    QStringList tolRows{tr("Fine"), tr("Medium"), tr("High")};
    QStringList tolColumns{tr("Tolerance"), tr("X_TolForw."), tr("X_TolRew.")};
    static const quint16 tolWidths[] = {60, 62, 60};
    tbwx_ToolTypesInfoTolerance->setupTable(3, &tolRows, &tolColumns, 80, tolWidths, nullptr, tolerance_cells, 0);
    tbwx_ToolTypesInfoTolerance->setLayoutInfo(three_rows, 3, 1);
    QStringList modeRows{tr("Break"), tr("Blunt"), tr("Missing")};
    QStringList modeColumns{tr("Mode"), tr("Limit [%]"), tr("Time[ms]"), tr("Work[%]"), tr("Options"), tr("Range")};
    static const quint16 modeWidths[] = {40, 55, 57, 56, 48, 44};
    tbwx_ToolTypesInfoModePar->setupTable(3, &modeRows, &modeColumns, 50, modeWidths, nullptr, mode_par_cells, 0);
    tbwx_ToolTypesInfoModePar->setLayoutInfo(three_rows, 3, 1);
    for (c_qtablewidget_functab* t : {tbwx_ToolTypesInfoTolerance, tbwx_ToolTypesInfoModePar}) {
        t->setSelectionMode(QAbstractItemView::NoSelection);
        t->verticalHeader()->setDefaultSectionSize(18);
        t->horizontalHeader()->setFixedHeight(18);
    }

    connect(bn_Close, &QPushButton::clicked, this, &c_dlgw_procmon::on_bn_Close_clicked);
    connect(chb_FilterToolTypes, &QCheckBox::stateChanged, this, &c_dlgw_procmon::on_chb_FilterToolTypes_stateChanged);
    connect(chb_FilterToolParameters, &QCheckBox::stateChanged, this,
            &c_dlgw_procmon::on_chb_FilterToolParameters_stateChanged);
    connect(chb_ToolParSortEnable, &QCheckBox::stateChanged, this, &c_dlgw_procmon::on_chb_ToolParSortEnable_stateChanged);
    connect(chb_RecParSortEnable, &QCheckBox::stateChanged, this, &c_dlgw_procmon::on_chb_RecParSortEnable_stateChanged);
    connect(bn_ToolTypeSave, &QPushButton::clicked, this, &c_dlgw_procmon::on_bn_ToolTypeSave_clicked);
    connect(bn_ToolTypeSaveAll, &QPushButton::clicked, this, &c_dlgw_procmon::on_bn_ToolTypeSaveAll_clicked);
    connect(bn_ToolParSave, &QPushButton::clicked, this, &c_dlgw_procmon::on_bn_ToolParSave_clicked);
    connect(bn_ToolParSaveAll, &QPushButton::clicked, this, &c_dlgw_procmon::on_bn_ToolParSaveAll_clicked);
    connect(bn_RecParSaveAll, &QPushButton::clicked, this, &c_dlgw_procmon::on_bn_RecParSaveAll_clicked);
    connect(bn_RecParSave, &QPushButton::clicked, this, &c_dlgw_procmon::on_bn_RecParSave_clicked);
    connect(bn_ToolData, &QPushButton::clicked, this, &c_dlgw_procmon::on_bn_ToolData_clicked);
    connect(bn_RecData, &QPushButton::clicked, this, &c_dlgw_procmon::on_bn_RecData_clicked);
    // The data table of a tool or recording opens only with a current one.
    bn_ToolData->setEnabled(false);
    bn_RecData->setEnabled(false);
}

void c_dlgw_procmon::createModels()
{
    toolTypesModel_ = new QStandardItemModel(0, 3, this);
    toolsModel_ = new QStandardItemModel(0, 11, this);
    recordingsModel_ = new QStandardItemModel(0, 11, this);
    toolsProxy_ = new QSortFilterProxyModel(this);
    recordingsProxy_ = new QSortFilterProxyModel(this);
}

bool c_dlgw_procmon::openMonitor(QMainWindow* main_window)
{
    mainWindow_ = main_window;
    if (!sdcard_rescan() || !sdcard_open()) {
        ui::current().message(ui::box_kind::critical, QStringLiteral("ERROR"),
                              QStringLiteral("No sdcard detected! Please insert sdcard and try again!"));
        return false;
    }
    loadFromCard();
    tbv_ToolTypes->setColumnHidden(2, true);
    tbv_ToolParameters->setColumnHidden(10, true);
    tbv_RecParameters->setColumnHidden(10, true);
    return true;
}

bool c_dlgw_procmon::openCardOrComplain()
{
    if (!(sdcard_rescan() && sdcard_open())) {
        ui::current().message(ui::box_kind::critical, QStringLiteral("ERROR"),
                              QStringLiteral("No sdcard detected or error reading sdcard!"));
        return false;
    }
    if (cardIdentity_ == read_card_identity())
        return true;
    sdcard_close();
    complain_card_changed();
    return false;
}

std::vector<uint8_t> c_dlgw_procmon::read_card_identity()
{
    // The signature sector and the ring directory: another card, or a card the controller
    // wrote to since, differs in one of them.
    std::vector<uint8_t> id(2 * cl::sector_size, 0);
    if (!sdcard_read_sectors(0, 1, id.data()) || !sdcard_read_sectors(cl::ring_directory, 1, id.data() + cl::sector_size))
        id.clear();
    return id;
}

void c_dlgw_procmon::complain_card_changed()
{
    ui::current().message(ui::box_kind::critical, QStringLiteral("ERROR"),
                          QStringLiteral("The card was changed; please reopen the process monitor"));
}

void c_dlgw_procmon::report_unreadable(int count)
{
    if (count > 0)
        ui::current().message(ui::box_kind::warning, QStringLiteral("WARNING"),
                              QStringLiteral("%1 sectors of the sdcard could not be read (%2); their entries are "
                                             "left out or shown empty.")
                                  .arg(count)
                                  .arg(QString::fromStdString(sdcard_last_reason())));
}

namespace {

// What a header sector held at the load, kept beside its row to see a changed card.
constexpr int sector_hash_role = Qt::UserRole + 1;

qulonglong sector_hash(const uint8_t* s)
{
    uint64_t h = 14695981039346656037ull;
    for (uint32_t i = 0; i < cl::sector_size; ++i)
        h = (h ^ s[i]) * 1099511628211ull;
    return h;
}

QStandardItem* index_item(int index, const uint8_t* s)
{
    auto* it = new QStandardItem;
    it->setData(index, Qt::DisplayRole);
    it->setData(sector_hash(s), sector_hash_role);
    return it;
}

QList<QStandardItem*> header_row(const uint8_t* s, int index)
{
    QList<QStandardItem*> row;
    auto num = [&](int64_t v) {
        auto* it = new QStandardItem;
        it->setData(qlonglong(v), Qt::DisplayRole);
        row << it;
    };
    num(tool_value(s, "Number"));
    row << new QStandardItem(sector_name(s, cl::record_offset + tr::name));
    num(tool_value(s, "DN"));
    num(tool_value(s, "PN"));
    num(tool_value(s, "CounterValue"));
    num(tool_value(s, "ToolType"));
    num(tool_value(s, "Tolerance"));
    num(tool_value(s, "DataCnt"));
    row << new QStandardItem(hex4(tool_value(s, "MonitoringStatus")))
        << new QStandardItem(hex4(tool_value(s, "MonitoringErrors")));
    row << index_item(index, s);
    return row;
}

void set_headers(QStandardItemModel* m, const QStringList& texts)
{
    m->setHorizontalHeaderLabels(texts);
}

}  // namespace

void c_dlgw_procmon::loadFromCard()
{
    chb_FilterToolTypes->setChecked(false);
    chb_FilterToolParameters->setChecked(false);
    toolTypesModel_->clear();
    toolsModel_->clear();
    recordingsModel_->clear();
    toolTypesModel_->setColumnCount(3);
    toolsModel_->setColumnCount(11);
    recordingsModel_->setColumnCount(11);
    set_headers(toolTypesModel_, {"Nr.", "Name", "ParIndex"});
    set_headers(toolsModel_, {"Nr", "Name", "DN", "PN", "Cntr", "Typ", "Tol.Nr", "DataCnt", "State", "Err", "ParIndex"});
    set_headers(recordingsModel_,
                {"Nr.", "Name", "DN", "PN", "Cntr", "Typ", "Tol.Nr", "DataCnt", "State", "Err", "ParIndexNr"});

    ui::services& u = ui::current();
    cardIdentity_ = read_card_identity();
    const int32_t ringCount = sdcard_read_ring_directory();
    const int total = cl::tool_type_count + cl::tool_count + ringCount;
    int done = 0;
    int unreadable = 0;
    u.progress_begin(QStringLiteral("Reading sdcard data ..."));
    // Reads one header sector; an unreadable one counts once and reads as zeros.
    uint8_t s[cl::sector_size];
    auto read = [&](bool ok) {
        if (!ok)
            ++unreadable;
        if (++done % 128 == 0) {
            u.progress_set(int(int64_t(done) * 100 / total));
            u.process_events();
        }
        return ok;
    };
    // Rows are built in index order (the card lists are read from the top down and each row
    // is put first, which ends in the same order).
    for (int n = 0; n < cl::tool_type_count; ++n)
        if (read(sdcard_read_tooltype(n, s)) && in_use(s)) {
            auto* nr = new QStandardItem;
            nr->setData(qlonglong(type_value(s, "Number")), Qt::DisplayRole);
            toolTypesModel_->appendRow(
                {nr, new QStandardItem(sector_name(s, cl::record_offset + ttr::name)), index_item(n, s)});
        }
    if (!loaded_) {
        tbv_ToolTypes->setModel(toolTypesModel_);
        connect(tbv_ToolTypes->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &c_dlgw_procmon::on_tbv_ToolTypes_SelectionChanged);
    }
    for (int t = 0; t < cl::tool_count; ++t)
        if (read(sdcard_read_tool_header(t, s)) && in_use(s))
            toolsModel_->appendRow(header_row(s, t));
    if (!loaded_) {
        toolsProxy_->setSourceModel(toolsModel_);
        tbv_ToolParameters->setModel(toolsProxy_);
        connect(tbv_ToolParameters->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &c_dlgw_procmon::on_tbv_ToolParameters_SelectionChanged);
    }
    for (int i = 0; i < ringCount; ++i) {
        // A header that cannot be read is listed with zeros, as a free one.
        read(sdcard_read_ring_header(i, s));
        recordingsModel_->appendRow(header_row(s, i));
    }
    if (!loaded_) {
        recordingsProxy_->setSourceModel(recordingsModel_);
        tbv_RecParameters->setModel(recordingsProxy_);
        connect(tbv_RecParameters->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &c_dlgw_procmon::on_tbv_RecParameters_SelectionChanged);
    }
    sdcard_close();
    u.progress_end();
    report_unreadable(unreadable);
    for (int c = 0; c < 3; ++c)
        tbv_ToolTypes->setColumnWidth(c, column_widths[c]);
    for (int c = 0; c < 11; ++c) {
        tbv_ToolParameters->setColumnWidth(c, column_widths[c]);
        tbv_RecParameters->setColumnWidth(c, column_widths[c]);
    }
    for (QTableView* v : {tbv_ToolTypes, tbv_ToolParameters, tbv_RecParameters})
        if (v->model()->rowCount() > 0)
            v->selectRow(0);
    loaded_ = true;
}

c_dlgw_procmon::node_list c_dlgw_procmon::collect_selected(kind k, QTableView* view, QAbstractItemModel* model,
                                                           int indexColumn)
{
    node_list nodes;
    // No card: nothing is selected, without a box (the buttons that read the card say it).
    if (!(sdcard_rescan() && sdcard_open()))
        return nodes;
    if (cardIdentity_ != read_card_identity()) {
        sdcard_close();
        complain_card_changed();
        return nodes;
    }
    QList<QModelIndex> rows;
    for (const QModelIndex& r : view->selectionModel()->selectedRows())
        rows << model->index(r.row(), indexColumn);
    read_nodes(k, rows, nodes);
    sdcard_close();
    return nodes;
}

bool c_dlgw_procmon::nodes_unchanged(kind k, const node_list& nodes)
{
    uint8_t now[cl::sector_size];
    for (const pm_card_node& n : nodes) {
        const bool ok = k == kind::tool_types ? sdcard_read_tooltype(n.index, now)
                        : k == kind::tools    ? sdcard_read_tool_header(n.index, now)
                                              : sdcard_read_ring_header(n.index, now);
        if (ok && std::memcmp(now, n.sector, cl::sector_size) != 0) {
            complain_card_changed();
            return false;
        }
    }
    return true;
}

bool c_dlgw_procmon::read_nodes(kind k, const QList<QModelIndex>& indexCells, node_list& nodes)
{
    nodes.clear();
    int unreadable = 0;
    for (const QModelIndex& cell : indexCells) {
        pm_card_node n{};
        n.index = cell.data().toInt();
        const bool ok = k == kind::tool_types ? sdcard_read_tooltype(n.index, n.sector)
                        : k == kind::tools    ? sdcard_read_tool_header(n.index, n.sector)
                                              : sdcard_read_ring_header(n.index, n.sector);
        if (!ok) {
            ++unreadable;
            continue;
        }
        if (sector_hash(n.sector) != cell.data(sector_hash_role).toULongLong()) {
            nodes.clear();
            complain_card_changed();
            return false;
        }
        nodes.push_back(n);
    }
    report_unreadable(unreadable);
    return true;
}

bool c_dlgw_procmon::collect_all(kind k, node_list& nodes)
{
    QAbstractItemModel* model = k == kind::tool_types ? static_cast<QAbstractItemModel*>(toolTypesModel_)
                                : k == kind::tools    ? static_cast<QAbstractItemModel*>(toolsProxy_)
                                                      : static_cast<QAbstractItemModel*>(recordingsProxy_);
    const int indexColumn = k == kind::tool_types ? 2 : 10;
    QList<QModelIndex> rows;
    for (int r = 0; r < model->rowCount(); ++r)
        rows << model->index(r, indexColumn);
    if (!read_nodes(k, rows, nodes))
        return false;
    qDebug("CountXXX: %d", int(nodes.size()));
    return true;
}

void c_dlgw_procmon::show_tool_type(const pm_card_node& node)
{
    std::memcpy(g_current_tooltype, node.sector, cl::sector_size);
    tbwx_ToolTypesInfoTolerance->refillRows(0);
    tbwx_ToolTypesInfoModePar->refillRows(0);
    typeHex_[0]->setText(hex4(type_value(node.sector, "X_ToleranceOptions")));
    typeHex_[1]->setText(hex4(type_value(node.sector, "DelayOptions")));
    typeHex_[2]->setText(hex4(type_value(node.sector, "IdleOptions")));
    typeHex_[3]->setText(hex4(type_value(node.sector, "CounterOptions")));
    ebx_DelayTime->setValue(int(type_value(node.sector, "DelayTime")));
    ebx_CounterLimit->setValue(int(type_value(node.sector, "CounterLimit")));
}

void c_dlgw_procmon::on_bn_Close_clicked() { emit sig_Return(); }

void c_dlgw_procmon::on_chb_FilterToolTypes_stateChanged(int state) { filterToolRecordsByType(state == Qt::Checked); }

void c_dlgw_procmon::on_chb_FilterToolParameters_stateChanged(int state)
{
    filterRecordingsByToolRecord(state == Qt::Checked);
}

void c_dlgw_procmon::filterToolRecordsByType(bool on)
{
    QString pattern;
    if (on) {
        const QModelIndex cur = tbv_ToolTypes->currentIndex();
        const QString key = cur.isValid() ? toolTypesModel_->index(cur.row(), 0).data().toString() : QString();
        pattern = QStringLiteral("^") + key + QStringLiteral("$");
    }
    toolsProxy_->setFilterKeyColumn(5);
    toolsProxy_->setFilterRegExp(QRegExp(pattern, Qt::CaseSensitive, QRegExp::RegExp));
    if (toolsProxy_->rowCount() > 0)
        tbv_ToolParameters->selectRow(0);
}

void c_dlgw_procmon::filterRecordingsByToolRecord(bool on)
{
    QString pattern;
    if (on) {
        const QModelIndex cur = tbv_ToolParameters->currentIndex();
        const QString key = cur.isValid() ? toolsProxy_->index(cur.row(), 0).data().toString() : QString();
        // Without a current tool the key is empty and no recording passes.
        pattern = QStringLiteral("^") + key + QStringLiteral("$");
    }
    recordingsProxy_->setFilterKeyColumn(0);
    recordingsProxy_->setFilterRegExp(QRegExp(pattern, Qt::CaseSensitive, QRegExp::RegExp));
    if (recordingsProxy_->rowCount() > 0)
        tbv_RecParameters->selectRow(0);
}

void c_dlgw_procmon::on_tbv_ToolTypes_SelectionChanged(const QItemSelection&, const QItemSelection&)
{
    if (loaded_)
        filterToolRecordsByType(chb_FilterToolTypes->isChecked());
    selectedToolTypes_ = collect_selected(kind::tool_types, tbv_ToolTypes, toolTypesModel_, 2);
    if (selectedToolTypes_.empty()) {
        set_none(currentToolType_);  // the tables keep what they showed
    } else {
        currentToolType_ = selectedToolTypes_.back();
        show_tool_type(currentToolType_);
    }
    bn_ToolTypeSave->setEnabled(currentToolType_.index != -1);
}

void c_dlgw_procmon::on_tbv_ToolParameters_SelectionChanged(const QItemSelection&, const QItemSelection&)
{
    if (loaded_)
        filterRecordingsByToolRecord(chb_FilterToolParameters->isChecked());
    selectedTools_ = collect_selected(kind::tools, tbv_ToolParameters, toolsProxy_, 10);
    if (selectedTools_.empty())
        set_none(currentTool_);
    else
        currentTool_ = selectedTools_.back();
    toolPanel_->setRecord(currentTool_.sector);
    bn_ToolParSave->setEnabled(currentTool_.index != -1);
    bn_ToolData->setEnabled(currentTool_.index != -1);
}

void c_dlgw_procmon::on_tbv_RecParameters_SelectionChanged(const QItemSelection&, const QItemSelection&)
{
    selectedRecordings_ = collect_selected(kind::recordings, tbv_RecParameters, recordingsProxy_, 10);
    if (selectedRecordings_.empty())
        set_none(currentRecording_);
    else
        currentRecording_ = selectedRecordings_.back();
    recordingPanel_->setRecord(currentRecording_.sector);
    bn_RecParSave->setEnabled(currentRecording_.index != -1);
    bn_RecData->setEnabled(currentRecording_.index != -1);
}

void c_dlgw_procmon::on_chb_ToolParSortEnable_stateChanged(int state)
{
    if (state != Qt::Checked)
        toolsProxy_->sort(-1);
    tbv_ToolParameters->setSortingEnabled(state == Qt::Checked);
    filterRecordingsByToolRecord(chb_FilterToolParameters->isChecked());
}

void c_dlgw_procmon::on_chb_RecParSortEnable_stateChanged(int state)
{
    if (state != Qt::Checked)
        recordingsProxy_->sort(-1);
    tbv_RecParameters->setSortingEnabled(state == Qt::Checked);
}

void c_dlgw_procmon::save_nodes(kind k, const node_list& nodes, bool withProgress)
{
    ui::services& u = ui::current();
    const QDir here = QDir::current();
    QSet<QString> used;
    const int count = int(nodes.size());
    std::unique_ptr<QProgressDialog> progress;
    if (withProgress) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("Saving files to csv ..."),
                                                     QStringLiteral("Abort Copy"), 0, count, this);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
    }
    int written = 0;
    QString failedPath;
    for (int i = 0; i < count; ++i) {
        if (progress) {
            progress->setValue(i);
            u.process_events();
            if (progress->wasCanceled())
                break;
        }
        const pm_card_node& n = nodes[size_t(i)];
        const uint8_t* record = n.sector + cl::record_offset;
        // Names come from the card: made safe, and unique within one save.
        const QString base =
            k == kind::tool_types
                ? safe_file_name(sector_name(n.sector, cl::record_offset + ttr::name), QStringLiteral("tooltype"))
                : safe_file_name(pm_record_name(k == kind::recordings, record), QStringLiteral("record"));
        QString name = base;
        for (int j = 2; used.contains(name); ++j)
            name = base + QStringLiteral(" (%1)").arg(j);
        used.insert(name);
        const QString path = here.filePath(name + QStringLiteral(".csv"));
        const bool ok = k == kind::tool_types ? write_tooltype_csv(uint32_t(n.index), n.sector, path)
                                              : write_record_csv(k == kind::recordings, uint32_t(n.index), n.sector, path);
        if (!ok) {
            failedPath = path;
            break;
        }
        ++written;
    }
    if (progress)
        progress->setValue(count);
    if (!failedPath.isEmpty()) {
        const QString reason = pm_csv_last_error();
        u.message(ui::box_kind::critical, QStringLiteral("ERROR"),
                  QStringLiteral("%1 of %2 files were saved. Could not write %3: %4")
                      .arg(written)
                      .arg(count)
                      .arg(failedPath, reason));
    }
}

void c_dlgw_procmon::on_bn_ToolTypeSave_clicked()
{
    if (!openCardOrComplain())
        return;
    if (nodes_unchanged(kind::tool_types, selectedToolTypes_))
        save_nodes(kind::tool_types, selectedToolTypes_, false);
    sdcard_close();
}

void c_dlgw_procmon::on_bn_ToolParSave_clicked()
{
    if (!openCardOrComplain())
        return;
    if (nodes_unchanged(kind::tools, selectedTools_))
        save_nodes(kind::tools, selectedTools_, false);
    sdcard_close();
}

void c_dlgw_procmon::on_bn_RecParSave_clicked()
{
    if (!openCardOrComplain())
        return;
    if (nodes_unchanged(kind::recordings, selectedRecordings_))
        save_nodes(kind::recordings, selectedRecordings_, false);
    sdcard_close();
}

namespace {

qint64 disk_free_bytes(const QString& folder)
{
    const QStorageInfo disk(folder);
    return disk.isValid() ? disk.bytesAvailable() : -1;
}

}  // namespace

void c_dlgw_procmon::set_free_space_probe(std::function<qint64(const QString&)> probe)
{
    freeSpace_ = probe ? std::move(probe) : disk_free_bytes;
}

bool c_dlgw_procmon::confirm_save(int count, uint64_t bytes, bool inKilobytes)
{
    const QString text = inKilobytes ? QString::asprintf("%d files are selected. Needed disk space about %.2f KB",
                                                         count, double(bytes) / 1000.0)
                                     : QString::asprintf("%d files are selected. Needed disk space about %.2f MB",
                                                         count, double(bytes) / 1000000.0);
    if (ui::current().message(ui::box_kind::question, QStringLiteral("Confirm"), text, ui::yes | ui::no) != ui::yes)
        return false;
    const qint64 free = freeSpace_ ? freeSpace_(QDir::currentPath()) : -1;
    if (free >= 0 && uint64_t(free) < bytes)
        return ui::current().message(ui::box_kind::warning, QStringLiteral("WARNING"),
                                     QStringLiteral("The disk has only %1 MB free. Save anyway?")
                                         .arg(double(free) / 1000000.0, 0, 'f', 2),
                                     ui::yes | ui::no) == ui::yes;
    return true;
}

void c_dlgw_procmon::on_bn_ToolTypeSaveAll_clicked()
{
    if (!openCardOrComplain())
        return;
    node_list nodes;
    if (collect_all(kind::tool_types, nodes) && confirm_save(int(nodes.size()), uint64_t(nodes.size()) * 2162u, true))
        save_nodes(kind::tool_types, nodes, true);
    sdcard_close();
}

void c_dlgw_procmon::on_bn_ToolParSaveAll_clicked()
{
    save_all(sender() == bn_RecParSaveAll);
}

void c_dlgw_procmon::save_all(bool recordings)
{
    if (!openCardOrComplain())
        return;
    node_list nodes;
    if (!collect_all(recordings ? kind::recordings : kind::tools, nodes)) {
        sdcard_close();
        return;
    }
    uint64_t bytes = 0;
    for (const pm_card_node& n : nodes)
        bytes += uint64_t(cl::clamp_count(int32_t(tool_value(n.sector, "DataCnt")))) * 32u + 1680u;
    if (confirm_save(int(nodes.size()), bytes, false))
        save_nodes(recordings ? kind::recordings : kind::tools, nodes, true);
    sdcard_close();
}

void c_dlgw_procmon::on_bn_RecParSaveAll_clicked()
{
    save_all(true);
}

void c_dlgw_procmon::show_data(bool isRecording, const pm_card_node& node, int32_t count2, int32_t index2)
{
    if (node.index < 0 || !openCardOrComplain())
        return;
    if (!nodes_unchanged(isRecording ? kind::recordings : kind::tools, {node})) {
        sdcard_close();
        return;
    }
    c_dlg_pm_data dialog;
    dialog.setWindowTitle(pm_record_name(isRecording, node.sector + cl::record_offset));
    const bool ok = dialog.set_data(isRecording, int32_t(tool_value(node.sector, "DataCnt")), node.index, count2, index2);
    if (ok)
        ui::current().run_modal(&dialog);
    sdcard_close();
    if (!ok)
        ui::current().message(ui::box_kind::critical, QStringLiteral("ERROR"), QStringLiteral("Error reading sdcard data"));
}

void c_dlgw_procmon::on_bn_ToolData_clicked()
{
    show_data(false, currentTool_, 0, 0);
}

bool c_dlgw_procmon::findMatchingToolRecord(const uint8_t* s, int32_t& toolIndex, int32_t& toolCount) const
{
    const QString name = sector_name(s, cl::record_offset + tr::name);
    const qlonglong dn = tool_value(s, "DN"), pn = tool_value(s, "PN");
    for (QStandardItem* item : toolsModel_->findItems(name, Qt::MatchExactly, 1)) {
        const int r = item->row();
        if (toolsModel_->item(r, 2)->data(Qt::DisplayRole).toLongLong() == dn &&
            toolsModel_->item(r, 3)->data(Qt::DisplayRole).toLongLong() == pn) {
            toolIndex = toolsModel_->item(r, 10)->data(Qt::DisplayRole).toInt();
            toolCount = toolsModel_->item(r, 7)->data(Qt::DisplayRole).toInt();
            return true;
        }
    }
    return false;
}

void c_dlgw_procmon::on_bn_RecData_clicked()
{
    int32_t toolIndex = 0, toolCount = 0;
    if (chb_AddToolData->isChecked() && currentRecording_.index >= 0) {
        if (!findMatchingToolRecord(currentRecording_.sector, toolIndex, toolCount))
            toolIndex = toolCount = 0;
        qDebug("sdcToolDataCntL %d", int(toolCount));
    }
    show_data(true, currentRecording_, toolCount, toolIndex);
}
