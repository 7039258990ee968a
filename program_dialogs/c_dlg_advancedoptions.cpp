#include "program_dialogs/c_dlg_advancedoptions.h"

#include <QCloseEvent>
#include <QRadioButton>

#include "core/image/core_state.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "ui_c_dlg_advancedoptions.h"
#include "widgets/c_my_rbg.h"
#include "widgets/c_qlineedit_extend.h"
#include "widgets/fit_texts.h"

namespace {

c_dlg_advancedoptions* g_dialog = nullptr;

// Record positions.
enum : int {
    crash_free_area,
    tool_change_time,
    position1,
    position2,
    teach_cnt_clear,
    scanning_mode,
    preposition_speed,
    rereference,
    home_pos_variant,
    ko_detection,
    crash_free_relative,
    limit_position,
    home_pos_offset,
    rescan,
    min_teach_pos,
    preposition_offset,
    tolerance_offset,
    add_teach_cycles,
    swarf_area,
    softscan_intensity,
};

// Header word of each record value.
constexpr uint32_t header_offsets[20] = {
    hdr::crash_free_area, hdr::tool_change_time, hdr::position1,          hdr::position2,
    hdr::teach_cnt_clear, hdr::scanning_mode,    hdr::preposition_intensity, hdr::go_back_monitoring,
    hdr::home_pos_variant, hdr::ko_detection,    hdr::crash_free_relative, hdr::limit_position,
    hdr::home_pos_offset, hdr::rescan,           hdr::min_teach_pos,       hdr::preposition_offset,
    hdr::tolerance_offset, hdr::add_teach_cycles, hdr::swarf_area,         hdr::softscan_intensity,
};

// Preposition speed: header codes of buttons 0 to 3.
constexpr int32_t preposition_codes[4] = {1, 2, 0, 9};

int32_t preposition_button(int32_t code)
{
    for (int i = 0; i < 4; ++i)
        if (preposition_codes[i] == code)
            return i;
    return code;
}

int32_t preposition_code(int32_t button) { return button >= 0 && button < 4 ? preposition_codes[button] : button; }

int32_t signed_low16(int32_t word) { return int16_t(uint16_t(uint32_t(word) & 0xFFFFu)); }

// Checks button `index`, or none when the group has no such button (a stored code without
// a button must not leave the previous one checked).
void show_index(c_my_rbg* group, int index)
{
    if (!group->button(index))
        for (int i = 0; i < group->button_count(); ++i) {
            QRadioButton* b = group->button(i);
            b->setAutoExclusive(false);
            b->setChecked(false);
            b->setAutoExclusive(true);
        }
    group->setIndex(index);
}

QString label(long n) { return QString::fromLatin1(txt_label(n, true).c_str()); }

}  // namespace

c_dlg_advancedoptions* advanced_options_dialog() { return g_dialog; }

advanced_settings_record advanced_from_header(const_settings_header h)
{
    advanced_settings_record r{};
    for (int i = 0; i < 20; ++i)
        r[size_t(i)] = h.field(header_offsets[i]);
    r[preposition_speed] = preposition_button(r[preposition_speed]);
    r[crash_free_relative] &= 1;
    r[tolerance_offset] = signed_low16(r[tolerance_offset]);
    r[swarf_area] = signed_low16(r[swarf_area]);
    return r;
}

void advanced_to_header(const advanced_settings_record& loaded, const advanced_settings_record& edited,
                        settings_header h)
{
    for (int i = 0; i < 20; ++i) {
        if (edited[size_t(i)] == loaded[size_t(i)])
            continue;
        const uint32_t off = header_offsets[i];
        int32_t v = edited[size_t(i)];
        switch (i) {
        case preposition_speed: v = preposition_code(v); break;
        case crash_free_relative: v = v != 0 ? (h.field(off) | 1) : (h.field(off) & ~1); break;
        case tolerance_offset:
        case swarf_area: v &= 0xFFFF; break;
        default: break;
        }
        h.set_field(off, v);
    }
}

int rereference_button(int32_t word)
{
    if (word & 0x10)
        return 2;
    const int low = word & 0x0F;
    return low <= 1 ? low : -1;
}

c_dlg_advancedoptions::c_dlg_advancedoptions(QWidget* parent) : QDialog(parent), ui(new Ui::c_dlg_advancedoptions)
{
    g_dialog = this;
    ui->setupUi(this);
    // The labels before the fields keep their texts whole in a smaller font where needed.
    fit_hand_placed_texts(this, fit_mode::shrink);
    Ui::c_dlg_advancedoptions& f = *ui;
    f.rbg_GS_CrashFreeArea->set_buttons({f.rb_CollFrArea_0, f.rb_CollFrArea_1});
    const struct {
        c_my_rbg* group;
        QStringList texts;
    } groups[] = {
        {f.rbg_PrepositionIntensity, {"Very Slow", "Slow", "Standard", "Long Wand"}},
        {f.rbg_ScanningMode, {"Normal", "Vibration Tolerant", "Fast"}},
        {f.rbg_HomePosVariant, {"Normal", "Push"}},
        {f.rbg_KoDetection, {"Return Immmediately", "Return At Object"}},
        {f.rbg_GS_TeachCntClear, {"Inactive", "Active"}},
        {f.rbg_GoBackMonitoring, {"Normal", "Precise", "Customized"}},
        {f.rbg_Rescan, {"Inactive", "1 Retry", "2 Retries", "3 Retries"}},
        {f.rbg_AddTeachCycles, {"None", "1 Cycle", "2 Cycles", "3 Cycles"}},
    };
    for (const auto& g : groups)
        g.group->create_buttons(g.texts, Qt::Vertical);
    f.rbg_GoBackMonitoring->set_button_enabled(2, false);

    for (c_qlineedit_extend* e : {f.ebx_GS_CrashFreeArea, f.ebx_GS_Position1, f.ebx_GS_Position2,
                                  f.ebx_GS_LimitPosition, f.ebx_GS_HomePosOffset, f.ebx_GS_PrepositionOffset})
        e->setRange(-10000, 10000, 2);
    f.ebx_GS_ToolChangeTime->setRange(0, 1000, 0);
    f.ebx_GS_MinTeachPos->setRange(0, 10000, 2);
    f.ebx_GS_SoftscanIntensity->setRange(0, 10000, 2);
    f.ebx_GS_SwarfArea->setRange(-327.67, 327.67, 2);
    f.ebx_GS_ToleranceOffset->setRange(-327.67, 327.67, 2);

    connect(f.rbg_ScanningMode, &c_my_rbg::sig_rb_clicked, this, &c_dlg_advancedoptions::on_rbg_ScanningMode_clicked);
}

c_dlg_advancedoptions::~c_dlg_advancedoptions()
{
    if (g_dialog == this)
        g_dialog = nullptr;
    delete ui;
}

void c_dlg_advancedoptions::enable_by_variant()
{
    Ui::c_dlg_advancedoptions& f = *ui;
    const device_state& d = g_device();
    const bool basic = d.family_flag != 0;
    const bool bit2 = d.variant_bit2 != 0;
    const struct {
        bool on;
        std::initializer_list<QWidget*> widgets;
    } rows[] = {
        {!basic && !bit2,
         {f.rbg_GS_CrashFreeArea, f.ebx_GS_ToolChangeTime, f.l_GS_ToolChangeTime, f.l_SoftscanIntensity,
          f.ebx_GS_SoftscanIntensity, f.rbg_GoBackMonitoring}},
        {!bit2,
         {f.ebx_GS_Position1, f.ebx_GS_Position2, f.l_Position1, f.l_Position2, f.l_GS_ToleranceOffset,
          f.ebx_GS_ToleranceOffset}},
        {!basic,
         {f.l_LimitPosition, f.ebx_GS_LimitPosition, f.l_GS_PrepositionOffset, f.ebx_GS_PrepositionOffset,
          f.l_SwarfArea, f.ebx_GS_SwarfArea, f.rbg_PrepositionIntensity, f.rbg_HomePosVariant, f.rbg_KoDetection}},
        {true, {f.rbg_Rescan, f.rbg_AddTeachCycles}},
    };
    for (const auto& row : rows)
        for (QWidget* w : row.widgets)
            w->setEnabled(row.on);
}

void c_dlg_advancedoptions::load()
{
    enable_by_variant();
    loaded_ = advanced_from_header(g_config_image().header());
    show_record(loaded_);
    ok_ = false;
}

void c_dlg_advancedoptions::show_record(const advanced_settings_record& r)
{
    Ui::c_dlg_advancedoptions& f = *ui;
    const std::pair<int, c_qlineedit_extend*> fields[] = {
        {crash_free_area, f.ebx_GS_CrashFreeArea},     {tool_change_time, f.ebx_GS_ToolChangeTime},
        {position1, f.ebx_GS_Position1},               {position2, f.ebx_GS_Position2},
        {limit_position, f.ebx_GS_LimitPosition},      {home_pos_offset, f.ebx_GS_HomePosOffset},
        {min_teach_pos, f.ebx_GS_MinTeachPos},         {preposition_offset, f.ebx_GS_PrepositionOffset},
        {tolerance_offset, f.ebx_GS_ToleranceOffset},  {swarf_area, f.ebx_GS_SwarfArea},
        {softscan_intensity, f.ebx_GS_SoftscanIntensity},
    };
    for (const auto& [i, e] : fields) {
        e->setValue(r[size_t(i)]);
        shownTexts_[size_t(i)] = e->text();
    }
    show_index(f.rbg_GS_TeachCntClear, r[teach_cnt_clear]);
    show_index(f.rbg_ScanningMode, r[scanning_mode]);
    show_index(f.rbg_PrepositionIntensity, r[preposition_speed]);
    show_index(f.rbg_HomePosVariant, r[home_pos_variant]);
    show_index(f.rbg_KoDetection, r[ko_detection]);
    show_index(f.rbg_GS_CrashFreeArea, r[crash_free_relative]);
    show_index(f.rbg_Rescan, r[rescan]);
    show_index(f.rbg_AddTeachCycles, r[add_teach_cycles]);

    // Rereference: "Customized" can only be shown, not chosen.
    rereferenceLoaded_ = r[rereference];
    rereferenceShown_ = rereference_button(rereferenceLoaded_);
    f.rbg_GoBackMonitoring->set_button_enabled(0, rereferenceShown_ != 2);
    f.rbg_GoBackMonitoring->set_button_enabled(1, rereferenceShown_ != 2);
    show_index(f.rbg_GoBackMonitoring, rereferenceShown_);
}

int32_t c_dlg_advancedoptions::field_value(int index, c_qlineedit_extend* field)
{
    if (field->text() == shownTexts_[size_t(index)])
        return loaded_[size_t(index)];
    return field->value();
}

advanced_settings_record c_dlg_advancedoptions::read_form()
{
    Ui::c_dlg_advancedoptions& f = *ui;
    advanced_settings_record r{};
    r[crash_free_area] = field_value(crash_free_area, f.ebx_GS_CrashFreeArea);
    r[tool_change_time] = field_value(tool_change_time, f.ebx_GS_ToolChangeTime);
    r[position1] = field_value(position1, f.ebx_GS_Position1);
    r[position2] = field_value(position2, f.ebx_GS_Position2);
    r[limit_position] = field_value(limit_position, f.ebx_GS_LimitPosition);
    r[home_pos_offset] = field_value(home_pos_offset, f.ebx_GS_HomePosOffset);
    r[min_teach_pos] = field_value(min_teach_pos, f.ebx_GS_MinTeachPos);
    r[preposition_offset] = field_value(preposition_offset, f.ebx_GS_PrepositionOffset);
    r[tolerance_offset] = field_value(tolerance_offset, f.ebx_GS_ToleranceOffset);
    r[swarf_area] = field_value(swarf_area, f.ebx_GS_SwarfArea);
    r[softscan_intensity] = field_value(softscan_intensity, f.ebx_GS_SoftscanIntensity);
    r[teach_cnt_clear] = f.rbg_GS_TeachCntClear->index();
    r[scanning_mode] = f.rbg_ScanningMode->index();
    r[preposition_speed] = f.rbg_PrepositionIntensity->index();
    r[home_pos_variant] = f.rbg_HomePosVariant->index();
    r[ko_detection] = f.rbg_KoDetection->index();
    r[crash_free_relative] = f.rbg_GS_CrashFreeArea->index();
    r[rescan] = f.rbg_Rescan->index();
    r[add_teach_cycles] = f.rbg_AddTeachCycles->index();
    // The button as shown keeps the word as loaded (also its other bits); a new choice gives
    // its code; no button keeps the loaded word.
    const int b = f.rbg_GoBackMonitoring->index();
    if (b == rereferenceShown_ || b < 0 || b > 2)
        r[rereference] = rereferenceLoaded_;
    else
        r[rereference] = b == 2 ? 16 : b;
    return r;
}

void c_dlg_advancedoptions::on_bn_Close_clicked()
{
    ok_ = true;
    close();
}

void c_dlg_advancedoptions::on_bn_Cancel_clicked() { reject(); }

void c_dlg_advancedoptions::on_rbg_ScanningMode_clicked()
{
    if (ui->rbg_ScanningMode->index() == 2)
        show_error_code(34, 1, 1, 0, 0);
}

void c_dlg_advancedoptions::on_ebx_GS_SoftscanIntensity_editingFinished()
{
    if (ui->ebx_GS_SoftscanIntensity->value() > 10000)
        ui::warning(QStringLiteral("Greater intensity values than 100.00 could damage the tool!!"));
}

void c_dlg_advancedoptions::closeEvent(QCloseEvent* event)
{
    edited_ = read_form();
    const bool changed = edited_ != loaded_;
    bool write = ok_;
    if (!ok_ && changed) {
        const int answer = ui::question(label(250), ui::yes | ui::no | ui::cancel);
        if (answer == ui::cancel) {
            event->ignore();
            return;
        }
        write = answer == ui::yes;
    }
    if (write)
        advanced_to_header(loaded_, edited_, g_config_image().header());
    ok_ = false;
    QDialog::closeEvent(event);
}
