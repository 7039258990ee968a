#include "program_dialogs/c_dlg_setup_wizard.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSvgRenderer>

#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/image/paired_fields.h"
#include "core/protocol/error_record.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "resources/resources_init.h"
#include "widgets/c_qlineedit_extend.h"
#include "widgets/fixed_point.h"

namespace {

constexpr int32_t host_error_not_defined = 9;  // "Not all Toollength and Teachangles are defined!"
constexpr int32_t setup_teach_base = 0x2000;

const QString style_input = QStringLiteral("QLineEdit{background: rgb(200, 230, 255);}");
const QString style_angle = QStringLiteral("QLabel{background: rgb(255, 255, 150);}");
const QString style_result = QStringLiteral("QLabel{background: rgb(150, 255, 150);}");

QString message(long n) { return QString::fromLatin1(txt_message(n).c_str()); }

setup_result header_setup()
{
    const const_settings_header h = g_config_image().header();
    return {h.field(hdr::ref_angle_90), h.field(hdr::vert_distance), h.field(hdr::ref_tool_length)};
}

bool same(const setup_result& a, const setup_result& b)
{
    return a.ref_angle_90 == b.ref_angle_90 && a.vert_distance == b.vert_distance &&
           a.ref_tool_length == b.ref_tool_length;
}

bool fits_header(const setup_result& r)
{
    return paired_fields::fits(hdr::vert_distance, r.vert_distance) &&
           paired_fields::fits(hdr::ref_angle_90, r.ref_angle_90) &&
           paired_fields::fits(hdr::ref_tool_length, r.ref_tool_length);
}

QString range_text(uint32_t field)
{
    return setup_value_text(paired_fields::minimum(field)) + QStringLiteral(" to ") +
           setup_value_text(paired_fields::maximum(field));
}

// A result label that shows a value other than `expected`; an empty one shows nothing new.
bool shows_other(const QLabel* label, int32_t expected)
{
    int32_t v = 0;
    return label && setup_label_value(label, v) && v != expected;
}

}  // namespace

QString setup_value_text(int32_t hundredths)
{
    QString s;
    return value_to_text(hundredths, s, 2);
}

bool setup_label_value(const QLabel* label, int32_t& hundredths)
{
    const fixed_point::parse_result r = fixed_point::parse(label->text().trimmed(), 2);
    if (r.status != fixed_point::parse_status::ok)
        return false;
    hundredths = int32_t(r.value);
    return true;
}

c_dlg_setup_wizard::c_dlg_setup_wizard(method m, test_scan_call test_scan, QWidget* parent)
    : QDialog(parent), method_(m), testScan_(std::move(test_scan))
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

void c_dlg_setup_wizard::attach(const wizard_widgets& f, const QString& picture)
{
    f_ = f;
    for (c_qlineedit_extend* e : f_.inputs) {
        e->setStyleSheet(style_input);
        e->setRange(0, 10000, 2);
        e->setValue(0);
    }
    if (known_geometry()) {
        // The vertical distance and the reference tool length go to the controller as they are.
        f_.inputs[1]->setRange(paired_fields::minimum(hdr::vert_distance) / 100.0,
                               paired_fields::maximum(hdr::vert_distance) / 100.0, 2);
        f_.inputs[2]->setRange(paired_fields::minimum(hdr::ref_tool_length) / 100.0,
                               paired_fields::maximum(hdr::ref_tool_length) / 100.0, 2);
    }
    for (QLabel* l : f_.angles)
        l->setStyleSheet(style_angle);
    for (QLabel* l : {f_.ref_angle, f_.vert_distance, f_.ref_tool_length})
        if (l)
            l->setStyleSheet(style_result);
    f_.hint->setText(message(57) + message(60) + message(61));
    for (int i = 1; i < f_.teach.size(); ++i)
        connect(f_.teach[i], &QAbstractButton::clicked, this, &c_dlg_setup_wizard::on_bn_SU_Teach1_clicked);

    // The pictures are drawings; they are drawn at the size the form gives them.
    tarvix_resources_init();
    QSvgRenderer drawing(picture);
    if (drawing.isValid()) {
        const QSize size = drawing.defaultSize().scaled(f_.picture->size(), Qt::KeepAspectRatio);
        QPixmap pm(size);
        pm.fill(Qt::white);
        QPainter p(&pm);
        drawing.render(&p);
        f_.picture->setPixmap(pm);
    }
}

void c_dlg_setup_wizard::init_dialog()
{
    const setup_result h = header_setup();
    if (known_geometry()) {
        f_.inputs[1]->setValue(h.vert_distance);
        f_.inputs[2]->setValue(h.ref_tool_length);
        f_.ref_angle->setText(setup_value_text(h.ref_angle_90));
    }
    f_.calculate->setEnabled(is_ready(false));
    snapshotInputs_.clear();
    for (c_qlineedit_extend* e : f_.inputs)
        snapshotInputs_.push_back(e->value());
    snapshotHeader_ = h;
    taughtSinceCalculation_ = false;
    closeRule_.reset();
}

void c_dlg_setup_wizard::clear()
{
    const setup_result h = header_setup();
    for (c_qlineedit_extend* e : f_.inputs)
        e->setValue(0);
    if (known_geometry()) {
        f_.inputs[1]->setValue(h.vert_distance);
        f_.inputs[2]->setValue(h.ref_tool_length);
    }
    for (QLabel* l : f_.angles)
        l->clear();
    for (QLabel* l : {f_.ref_angle, f_.vert_distance, f_.ref_tool_length})
        if (l)
            l->clear();
    f_.calculate->setEnabled(false);
}

bool c_dlg_setup_wizard::is_ready(bool all)
{
    bool taught = true;
    for (QLabel* l : f_.angles)
        taught = taught && !l->text().trimmed().isEmpty();
    if (!all)
        return taught;
    QVector<int32_t> in;
    for (c_qlineedit_extend* e : f_.inputs)
        in.push_back(e->value());
    switch (method_) {
    case method::one_tool_known:
        return in[0] != 0 && in[1] != 0 && in[2] != 0 && taught;
    case method::one_tool_distances:
        return in[0] != 0 && in[1] != 0 && in[2] != 0 && in[3] != 0;
    case method::three_tools:
        return in[0] != in[1] && in[1] != in[2] && in[0] != in[2] && taught;
    }
    return false;
}

void c_dlg_setup_wizard::take_teach(int field, int32_t angle)
{
    const int index = method_ == method::three_tools           ? field - 1
                      : method_ == method::one_tool_known ? (field == 5 ? 0 : -1)
                                                          : (field == 6 ? 0 : -1);
    if (index < 0 || index >= f_.angles.size())
        return;
    f_.angles[index]->setText(setup_value_text(angle));
    f_.calculate->setEnabled(is_ready(false));
}

int32_t c_dlg_setup_wizard::teach_code(int index) const
{
    switch (method_) {
    case method::one_tool_known: return setup_teach_base + 5;
    case method::one_tool_distances: return setup_teach_base + 6;
    case method::three_tools: break;
    }
    return setup_teach_base + 1 + index;
}

void c_dlg_setup_wizard::on_bn_SU_Teach1_clicked()
{
    const int index = std::max(0, int(f_.teach.indexOf(qobject_cast<QAbstractButton*>(sender()))));
    if (known_geometry())
        taughtSinceCalculation_ = true;
    if (testScan_)
        testScan_(teach_code(index));
}

void c_dlg_setup_wizard::on_bn_Calculate_clicked()
{
    // Every taught angle is needed, whatever the method tests before.
    QVector<int32_t> angles;
    for (QLabel* l : f_.angles) {
        int32_t a = 0;
        if (setup_label_value(l, a))
            angles.push_back(a);
    }
    if (!is_ready(true) || angles.size() != f_.angles.size()) {
        show_error_code(int16_t(host_error_not_defined), err_severity_error, err_type_host, err_arg_none, 0);
        return;
    }
    QVector<int32_t> in;
    for (c_qlineedit_extend* e : f_.inputs)
        in.push_back(e->value());
    setup_result r;
    int32_t error = 0;
    switch (method_) {
    case method::one_tool_known:
        r.vert_distance = in[1];
        r.ref_tool_length = in[2];
        error = setup_1tool_m1_calc(angles[0], in[0], in[1], in[2], r.ref_angle_90);
        break;
    case method::one_tool_distances:
        error = setup_1tool_m2_calc(angles[0], in[0], in[1], in[2], in[3], r);
        break;
    case method::three_tools:
        error = setup_3tool_calc(angles.constData(), in.constData(), r);
        break;
    }
    if (error != 0) {
        show_error_code(int16_t(error), err_severity_error, err_type_host, err_arg_none, 0);
        return;
    }
    if (!fits_header(r)) {
        // The controller keeps 16 bits of each; a value beyond them would come back changed.
        ui::warning(QStringLiteral("The computed setup parameters do not fit the controller and are not taken:\n"
                                   "VertDistance %1, RefAngle90 %2, RefToolLength %3.\n\n"
                                   "VertDistance must lie within %4, RefAngle90 and RefToolLength within %5.")
                        .arg(setup_value_text(r.vert_distance), setup_value_text(r.ref_angle_90),
                             setup_value_text(r.ref_tool_length), range_text(hdr::vert_distance),
                             range_text(hdr::ref_angle_90)));
        return;
    }
    f_.ref_angle->setText(setup_value_text(r.ref_angle_90));
    if (f_.vert_distance)
        f_.vert_distance->setText(setup_value_text(r.vert_distance));
    if (f_.ref_tool_length)
        f_.ref_tool_length->setText(setup_value_text(r.ref_tool_length));
    taughtSinceCalculation_ = false;
}

void c_dlg_setup_wizard::on_bn_Clear_clicked() { clear(); }

void c_dlg_setup_wizard::on_bn_Close_clicked()
{
    closeRule_.keep();
    close();
}

void c_dlg_setup_wizard::on_bn_Cancel_clicked()
{
    closeRule_.discard();
    close();
}

bool c_dlg_setup_wizard::results(setup_result& out)
{
    if (!setup_label_value(f_.ref_angle, out.ref_angle_90))
        return false;
    if (known_geometry()) {
        out.vert_distance = f_.inputs[1]->value();
        out.ref_tool_length = f_.inputs[2]->value();
        return true;
    }
    return setup_label_value(f_.vert_distance, out.vert_distance) &&
           setup_label_value(f_.ref_tool_length, out.ref_tool_length);
}

bool c_dlg_setup_wizard::unchanged_since_opening()
{
    for (int i = 0; i < f_.inputs.size(); ++i)
        if (f_.inputs[i]->value() != snapshotInputs_.value(i))
            return false;
    // All three results count: a new vertical distance or reference tool length is a change
    // even when the reference angle came out as before.
    return !shows_other(f_.ref_angle, snapshotHeader_.ref_angle_90) &&
           !shows_other(f_.vert_distance, snapshotHeader_.vert_distance) &&
           !shows_other(f_.ref_tool_length, snapshotHeader_.ref_tool_length);
}

bool c_dlg_setup_wizard::results_complete()
{
    setup_result r;
    if (!results(r))
        return false;
    if (known_geometry())
        return r.vert_distance != 0 && r.ref_tool_length != 0 && !taughtSinceCalculation_;
    return true;
}

void c_dlg_setup_wizard::store(const setup_result& r)
{
    settings_header h = g_config_image().header();
    h.set_field(hdr::vert_distance, r.vert_distance);
    h.set_field(hdr::ref_tool_length, r.ref_tool_length);
    h.set_field(hdr::ref_angle_90, r.ref_angle_90);
}

void c_dlg_setup_wizard::closeEvent(QCloseEvent* event)
{
    if (closeRule_.code() == close_discard) {
        event->accept();
        return;
    }
    if (unchanged_since_opening()) {
        closeRule_.reset();
        event->accept();
        return;
    }
    if (results_complete()) {
        setup_result r;
        results(r);
        const close_outcome o = closeRule_.decide([&] { return !same(r, header_setup()); });
        if (o == close_outcome::take_over)
            store(r);
        if (o == close_outcome::stay_open)
            event->ignore();
        else
            event->accept();
        return;
    }
    closeRule_.reset();
    const int answer = ui::current().message(ui::box_kind::warning, ui::title_warning(), message(54) + message(55),
                                             ui::yes | ui::no);
    if (answer == ui::yes)
        event->accept();
    else
        event->ignore();
}
