#include "program_dialogs/dialog_support.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QStandardItemModel>
#include <algorithm>
#include <cstring>

#include "core/image/core_state.h"
#include "core/image/device_function_record.h"
#include "core/protocol/device_protocol.h"
#include "core/text/text_tables.h"
#include "page_common/kept_values.h"

namespace dp = device_protocol;

QString dialog_label(long n, bool remove_amp) { return QString::fromLatin1(txt_label(n, remove_amp).c_str()); }

device_frame record_command_frame(const_function_record rec, uint8_t command)
{
    device_frame f;
    f[1] = 0xBB;
    f[2] = 0x02;
    f[3] = 0x37;
    f[dp::command_offset] = command;
    f.set_u16(5, 0xFFFF);
    device_record_pack(rec, byte_view(f.data() + 7, device_function_record_size));
    return f;
}

void combo_add_number(QComboBox* combo, const QString& text, int32_t number) { combo->addItem(text, QVariant(number)); }

void combo_fill_numbers(QComboBox* combo, const QStringList& texts, const QVector<int32_t>& numbers)
{
    combo->clear();
    auto* model = qobject_cast<QStandardItemModel*>(combo->model());
    if (!model) {
        for (int i = 0; i < texts.size(); ++i)
            combo->addItem(texts[i], i < numbers.size() ? QVariant(numbers[i]) : QVariant());
        return;
    }
    // The items complete with their numbers, inserted at once: one insertion for the list
    // instead of one insertion and one change per item.
    QList<QStandardItem*> items;
    items.reserve(texts.size());
    for (int i = 0; i < texts.size(); ++i) {
        auto* item = new QStandardItem(texts[i]);
        if (i < numbers.size())
            item->setData(QVariant(numbers[i]), Qt::UserRole);
        items << item;
    }
    model->invisibleRootItem()->appendRows(items);
}

void combo_select_number(QComboBox* combo, int32_t number, const QString& text)
{
    int i = combo->findData(QVariant(number));
    if (i < 0) {
        combo->addItem(text, QVariant(number));
        i = combo->count() - 1;
    }
    combo->setCurrentIndex(i);
}

int32_t combo_number(const QComboBox* combo, int32_t none)
{
    const QVariant v = combo->currentData();
    return v.isValid() ? int32_t(v.toInt()) : none;
}

void fill_back_mode_list(QComboBox* combo)
{
    for (int n : {123, 124, 126, 127, 128})
        combo->addItem(dialog_label(n, true));
}

QString back_mode_position_text() { return dialog_label(128, true); }

void fill_intensity_list(QComboBox* combo)
{
    combo->addItem(dialog_label(239, true));
    for (int i = 2; i <= 7; ++i)
        combo->addItem(QString::number(i));
    combo->addItem(dialog_label(240, true));
}

void fill_output_list(QComboBox* combo)
{
    for (int i = 0; i < output_function_count; ++i) {
        const std::string label = output_function_label(i);
        combo->addItem(QString::fromLatin1(label.data(), int(label.size())));
    }
}

void record_name_field::show_text(QLineEdit* edit, const QString& text)
{
    if (limit_ < 0)
        limit_ = edit->maxLength();
    edit->setMaxLength(std::max(limit_, int(text.size())));
    shown_ = text;
    edit->setText(text);
}

void record_name_field::show(QLineEdit* edit, const uint8_t* field, size_t width)
{
    const char* chars = reinterpret_cast<const char*>(field);
    width_ = width;
    bytes_.assign(field, field + width);
    show_text(edit, QString::fromLatin1(chars, int(strnlen(chars, width))));
}

void record_name_field::show_proposed(QLineEdit* edit, const QString& name, size_t width)
{
    width_ = width;
    bytes_.clear();
    show_text(edit, name);
}

void record_name_field::store(const QLineEdit* edit, uint8_t* field) const
{
    if (width_ == 0)
        return;
    const QString name = edit->text();
    if (!bytes_.empty() && name == shown_) {
        std::memcpy(field, bytes_.data(), width_);
        return;
    }
    const QByteArray text = name.left(int(width_) - 1).toLatin1();
    std::memset(field, 0, width_);
    std::memcpy(field, text.constData(), size_t(text.size()));
}

void show_outputs(const output_lists& lists, const_function_record rec)
{
    for (uint32_t i = 0; i < 4; ++i)
        combo_show_kept(lists[i], rec.field(fr::out1 + 4 * i), rec.field(fr::out1 + 4 * i));
}

void store_outputs(const output_lists& lists, function_record rec)
{
    for (uint32_t i = 0; i < 4; ++i)
        rec.set_field(fr::out1 + 4 * i, combo_kept_value(lists[i], 0));
}

void hide_all(std::initializer_list<QWidget*> widgets)
{
    for (QWidget* w : widgets)
        w->hide();
}

void prepare_dialog_window(QDialog* dialog, bool fixed_size)
{
    dialog->setWindowFlags(dialog->windowFlags() & ~Qt::WindowContextHelpButtonHint);
    if (fixed_size)
        dialog->setFixedSize(dialog->size());
}

std::function<void(config_image& dest)>& program_settings_source()
{
    static std::function<void(config_image& dest)> source;
    return source;
}

function_record_bytes default_function_record()
{
    config_image& scratch = g_images().scratch;
    if (const auto& settings = program_settings_source())
        settings(scratch);
    else
        std::memcpy(scratch.data(), g_config_image().data(), image_layout::header_size);
    return function_record_clear(scratch.header());
}
