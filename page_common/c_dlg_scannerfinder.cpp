#include "page_common/c_dlg_scannerfinder.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDebug>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTableWidgetItem>

#include "core/device/device_calls.h"
#include "core/device/device_info.h"
#include "core/files/scanner_lists.h"
#include "core/image/core_state.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "ui_c_dlg_scannerfinder.h"

namespace {

constexpr uint32_t field_scanner = 16;
constexpr uint32_t field_wand_unit = 300;
// The wand/unit word: bits 0 to 7 wand index + 1, bits 8 to 12 unit index + 1.
constexpr int max_wand_index = 0xFE;
constexpr int max_unit_index = 0x1E;

const QColor colour_scale[10] = {{99, 190, 123},  {133, 200, 125}, {168, 210, 127}, {203, 220, 129},
                                 {237, 230, 131}, {255, 228, 131}, {253, 192, 124}, {252, 163, 119},
                                 {250, 136, 113}, {248, 105, 107}};
// Precision level -> colour index, for the levels the scale covers.
const int precision_map[4] = {0, 4, 0, 0};

QString item_text(int32_t article, const QByteArray& name)
{
    return QString::number(article) + QLatin1Char(' ') + QString::fromLatin1(name);
}

// The controller's scanner article number; false when the text is no number ("-----").
bool reported_article(int32_t& out)
{
    const QString text = QString::fromStdString(g_device_info().scanner_article_text).trimmed();
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!c.isDigit())
            return false;
    bool ok = false;
    const int v = text.toInt(&ok);
    out = v;
    return ok;
}

}  // namespace

c_dlg_scannerfinder::c_dlg_scannerfinder(QWidget* parent) : QDialog(parent), ui(new Ui::c_dlg_scannerfinder)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    const QStringList titles{tr("Setup Name New"), tr("Setup Name Old"), tr("Time [ms]"), tr("Force [mN]"),
                             tr("Precision")};
    static const quint16 widths[5] = {160, 150, 150, 150, 80};
    ui->tbwx_ScannerSetups->setup_columns(titles, widths);
    ui->tbwx_ScannerSetups->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->tbwx_ScannerSetups->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    ui->tbwx_ScannerSetups->horizontalHeaderItem(2)->setToolTip(tr("Scanning Time for 180 deg"));
    ui->tbwx_ScannerSetups->setColumnHidden(4, true);
    read_scanner_finder_file();
}

c_dlg_scannerfinder::~c_dlg_scannerfinder() { delete ui; }

QColor c_dlg_scannerfinder::level_colour(int index)
{
    return index >= 0 && index < 10 ? colour_scale[index] : QColor();
}

QColor c_dlg_scannerfinder::precision_colour(int level)
{
    return level >= 0 && level < 4 ? colour_scale[precision_map[level]] : QColor();
}

int c_dlg_scannerfinder::selected_unit() const
{
    const int i = ui->cb_SU_Select->currentIndex();
    return i >= 0 && i < int(unitItems_.size()) ? unitItems_[size_t(i)] : -1;
}

int c_dlg_scannerfinder::selected_wand() const
{
    const int i = ui->cb_WandSelect->currentIndex();
    return i >= 0 && i < int(wandItems_.size()) ? wandItems_[size_t(i)] : -1;
}

std::vector<int> c_dlg_scannerfinder::units_of_wand(int wand) const
{
    std::vector<int> out;
    if (wand < 0 || wand >= int(g_scanner_finder.wands.size()))
        return out;
    const uint32_t mask = g_scanner_finder.wands[size_t(wand)].unit_mask;
    for (int u = 0; u < 32 && u < int(g_scanner_finder.units.size()); ++u)
        if (mask & (uint32_t(1) << u))
            out.push_back(u);
    return out;
}

std::vector<int> c_dlg_scannerfinder::wands_of_unit(int unit) const
{
    std::vector<int> out;
    if (unit < 0 || unit >= 32)
        return out;
    for (size_t w = 0; w < g_scanner_finder.wands.size(); ++w)
        if (g_scanner_finder.wands[w].unit_mask & (uint32_t(1) << unit))
            out.push_back(int(w));
    return out;
}

void c_dlg_scannerfinder::fill_wand_box(const std::vector<int>& wands)
{
    const QSignalBlocker block(ui->cb_WandSelect);
    ui->cb_WandSelect->clear();
    wandItems_ = wands;
    for (int w : wands)
        ui->cb_WandSelect->addItem(item_text(g_scanner_finder.wands[size_t(w)].article,
                                             g_scanner_finder.wands[size_t(w)].name));
    ui->cb_WandSelect->setCurrentIndex(-1);
}

void c_dlg_scannerfinder::fill_unit_box(const std::vector<int>& units)
{
    const QSignalBlocker block(ui->cb_SU_Select);
    ui->cb_SU_Select->clear();
    unitItems_ = units;
    for (int u : units)
        ui->cb_SU_Select->addItem(item_text(g_scanner_finder.units[size_t(u)].article,
                                            g_scanner_finder.units[size_t(u)].name));
    ui->cb_SU_Select->setCurrentIndex(-1);
}

void c_dlg_scannerfinder::findForConfigured()
{
    preparing_ = true;
    ui->l_SelectWandReq->clear();
    ui->l_SelectSU_Req->clear();
    ui->cb_SU_Select->setEnabled(true);

    const settings_header h = g_config_image().header();
    const int32_t word = h.field(field_wand_unit);
    const bool present = word != 0;
    int scanner = h.field(field_scanner);
    const int word_wand = (word & 0xFF) - 1;
    const int word_unit = ((word >> 8) & 0x1F) - 1;

    int32_t article = 0;
    const int reported = g_host_context().data_source() == 1 && reported_article(article)
                             ? find_unit_by_article(article)
                             : -1;
    unitFirst_ = reported >= 0;
    std::vector<int> all;
    if (unitFirst_) {
        if (scanner == 0)
            scanner = g_scanner_lists().auto_detect_set;
        result_ = {reported, -1, scanner};
        if (present) {
            if (word_unit != reported)
                ui::current().message(ui::box_kind::warning, ui::title_warning(),
                                      tr("The connected scanner does not match with the configured scanner!"));
            else
                result_.wand = word_wand;
        }
        for (int u = 0; u < int(g_scanner_finder.units.size()); ++u)
            all.push_back(u);
        fill_unit_box(all);
        fill_wand_box({});
    } else {
        result_ = present ? selection{word_unit, word_wand, scanner} : selection{-1, -1, scanner};
        for (int w = 0; w < int(g_scanner_finder.wands.size()); ++w)
            all.push_back(w);
        fill_wand_box(all);
        fill_unit_box({});
    }
    initial_ = result_;
    show_selection(result_.unit, result_.wand, result_.scanner);
    ui->cb_SU_Select->setEnabled(!unitFirst_);
    takeOnClose_ = false;
    preparing_ = false;
}

void c_dlg_scannerfinder::show_selection(int unit, int wand, int scanner)
{
    auto index_of = [](const std::vector<int>& items, int v) {
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == v)
                return int(i);
        return -1;
    };
    if (unitFirst_) {
        {
            const QSignalBlocker block(ui->cb_SU_Select);
            ui->cb_SU_Select->setCurrentIndex(index_of(unitItems_, unit));
        }
        fill_wand_box(wands_of_unit(unit));
        const QSignalBlocker block(ui->cb_WandSelect);
        if (wand < 0) {
            ui->cb_WandSelect->setCurrentIndex(-1);
            ui->l_SelectWandReq->setText(tr("Please select the wand ..."));
        } else {
            ui->cb_WandSelect->setCurrentIndex(index_of(wandItems_, wand));
        }
    } else {
        {
            const QSignalBlocker block(ui->cb_WandSelect);
            const int wi = wand >= 0 && wand < int(wandItems_.size()) ? wand : -1;
            ui->cb_WandSelect->setCurrentIndex(wi);
            fill_unit_box(wi >= 0 ? units_of_wand(wandItems_[size_t(wi)]) : std::vector<int>{});
            if (wi < 0)
                ui->l_SelectWandReq->setText(tr("1. Step: Please select the wand ..."));
        }
        const QSignalBlocker block(ui->cb_SU_Select);
        const int ui_index = index_of(unitItems_, unit);
        ui->cb_SU_Select->setCurrentIndex(ui_index);
        if (ui_index < 0)
            ui->l_SelectSU_Req->setText(tr("2. Step: Please select the scanner ..."));
    }
    result_.scanner = scanner;
    refresh_table(true);
}

void c_dlg_scannerfinder::refresh_table(bool last_row)
{
    c_qtablewidget_seq* t = ui->tbwx_ScannerSetups;
    t->clear_rows();
    rowScanners_.clear();
    const int s = find_setup();
    if (s < 0)
        return;
    fill_setups_table(g_scanner_finder.setups[size_t(s)].entries);
    for (size_t r = 0; r < rowScanners_.size(); ++r) {
        if (rowScanners_[r] == result_.scanner) {
            t->select_row(int(r));
            return;
        }
    }
    if (!last_row) {
        t->clearSelection();
        t->setCurrentItem(nullptr);
    }
}

int c_dlg_scannerfinder::find_setup() const
{
    const int unit = selected_unit();
    const int wand = selected_wand();
    if (unit < 0 || wand < 0)
        return -1;
    for (size_t s = 0; s < g_scanner_finder.setups.size(); ++s)
        for (const scanner_setup::pair& p : g_scanner_finder.setups[s].pairs)
            if (p.unit == unit && p.wand == wand)
                return int(s);
    return -1;
}

void c_dlg_scannerfinder::fill_setups_table(const std::vector<scanner_setup_entry>& entries)
{
    c_qtablewidget_seq* t = ui->tbwx_ScannerSetups;
    t->clear_rows();
    rowScanners_.clear();
    const int family = (g_host_context().family_code() >> 4) & 0x0F;
    const uint32_t device_bit = uint32_t(1) << (family + 15);
    const scanner_list_state& list = g_scanner_lists();
    const int unit = selected_unit();
    const scanner_unit* u =
        unit >= 0 && unit < int(g_scanner_finder.units.size()) ? &g_scanner_finder.units[size_t(unit)] : nullptr;
    for (const scanner_setup_entry& e : entries) {
        // The count bounds the number before its attribute word is read.
        if (e.number >= list.count || e.number >= list.codes.size() || !(list.codes[e.number] & device_bit))
            continue;
        const scanner_level none;
        auto level = [&](int n) -> const scanner_level& {
            return u && n >= 0 && n < scanner_unit::level_max ? u->levels[size_t(n)] : none;
        };
        QString name = list.texts.value(e.number);
        name.remove(QLatin1Char('(')).remove(QLatin1Char(')'));
        // The first word is the new name, the rest the old one; the ranges keep their columns.
        const QStringList words = name.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const scanner_level& lt = level(e.time_level);
        const scanner_level& lf = level(e.force_level);
        const scanner_level& lp = level(e.precision_level);
        t->append_row(QStringList{words.value(0), words.mid(1).join(QLatin1Char(' ')),
                                  QStringLiteral("%1-%2").arg(lt.time_low).arg(lt.time_high),
                                  QStringLiteral("%1-%2").arg(lf.force_low).arg(lf.force_high),
                                  QStringLiteral("%1-%2").arg(lp.precision_low).arg(lp.precision_high)});
        rowScanners_.push_back(e.number);
        const int row = t->rowCount() - 1;
        const QColor colours[3] = {level_colour(e.time_level), level_colour(e.force_level),
                                   precision_colour(e.precision_level)};
        for (int c = 0; c < 3; ++c)
            if (colours[c].isValid() && t->item(row, 2 + c))
                t->item(row, 2 + c)->setBackground(colours[c]);
    }
}

bool c_dlg_scannerfinder::read_selection(selection& out) const
{
    const int row = ui->tbwx_ScannerSetups->currentRow();
    const int unit = selected_unit();
    const int wand = selected_wand();
    if (unit < 0 || wand < 0 || row < 0 || row >= int(rowScanners_.size()) ||
        !ui->tbwx_ScannerSetups->selectionModel()->isRowSelected(row, QModelIndex()))
        return false;
    out = {unit, wand, rowScanners_[size_t(row)]};
    return true;
}

void c_dlg_scannerfinder::on_cb_WandSelect_currentIndexChanged(int index)
{
    if (index < 0 || ignoreWand_)
        return;
    ui->l_SelectWandReq->clear();
    if (!unitFirst_) {
        ignoreUnit_ = true;
        fill_unit_box(units_of_wand(selected_wand()));
        {
            const QSignalBlocker block(ui->cb_SU_Select);
            ui->cb_SU_Select->setCurrentIndex(result_.unit >= 0 && !unitItems_.empty() ? 0 : -1);
        }
        ignoreUnit_ = false;
    }
    refresh_table(false);
}

void c_dlg_scannerfinder::on_cb_SU_Select_currentIndexChanged(int index)
{
    if (index < 0 || ignoreUnit_ || (preparing_ && !unitFirst_))
        return;
    ui->l_SelectSU_Req->clear();
    if (unitFirst_) {
        ignoreWand_ = true;
        fill_wand_box(wands_of_unit(selected_unit()));
        {
            const QSignalBlocker block(ui->cb_WandSelect);
            ui->cb_WandSelect->setCurrentIndex(wandItems_.empty() ? -1 : 0);
        }
        ignoreWand_ = false;
    }
    refresh_table(false);
}

void c_dlg_scannerfinder::on_tbwx_ScannerSetups_clicked(QModelIndex)
{
    const int row = ui->tbwx_ScannerSetups->currentRow();
    if (row >= 0 && row < int(rowScanners_.size()))
        result_.scanner = rowScanners_[size_t(row)];
}

void c_dlg_scannerfinder::on_bn_Close_clicked()
{
    takeOnClose_ = true;
    close();
}

void c_dlg_scannerfinder::on_bn_Cancel_clicked() { reject(); }

bool c_dlg_scannerfinder::take()
{
    selection s;
    if (!read_selection(s) || s.unit > max_unit_index || s.wand > max_wand_index) {
        show_error_code(61, err_severity_error, err_type_host, err_arg_none, 0);
        return false;
    }
    settings_header h = g_config_image().header();
    h.set_field(field_wand_unit, (s.wand + 1) | ((s.unit + 1) << 8));
    h.set_field(field_scanner, s.scanner);
    qDebug("WandIndexE: %d SU_IndexE %d", s.wand, s.unit);
    return true;
}

void c_dlg_scannerfinder::closeEvent(QCloseEvent* event)
{
    selection s;
    if (read_selection(s))
        result_ = s;
    const bool changed = result_ != initial_;
    bool take_it = takeOnClose_;
    takeOnClose_ = false;
    if (!take_it && changed) {
        const int answer = ui::current().message(ui::box_kind::question, ui::title_confirm(),
                                                 QString::fromLatin1(txt_label(250).c_str()),
                                                 ui::yes | ui::no | ui::cancel);
        if (answer == ui::cancel) {
            event->ignore();
            return;
        }
        take_it = answer == ui::yes;
    }
    if (take_it && !take()) {
        event->ignore();
        return;
    }
    event->accept();
    done(take_it ? QDialog::Accepted : QDialog::Rejected);
}
