#include "core/text/error_texts.h"

#include <QString>

#include "core/text/safe_format.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"

namespace {
constexpr int default_prefix = 1000;  // entry = 1000 + n: label 263 ("Default ") followed by label n
constexpr int label_default = 263;
constexpr int label_not_defined = 131;
constexpr int label_func_no = 320;
}  // namespace

const int settings_parameter_name_labels[78] = {
    94,   89,   311,  90,   104,  105,  106,  107,  108,  54,   96,   95,   1261, 1052, 1053, 1073,
    1246, 1057, 1058, 1059, 1062, 1063, 1064, 1065, 1066, 1067, 1068, 1069, 198,  198,  199,  199,
    200,  200,  203,  233,  233,  234,  234,  247,  253,  254,  274,  275,  304,  295,  296,  306,
    310,  311,  312,  313,  353,  354,  355,  417,  443,  496,  497,  498,  499,  501,  502,  451,
    462,  504,  505,  506,  507,  508,  509,  510,  513,  515,  516,  517,  519,  520,
};

const int function_field_name_labels[30] = {
    262, 262, 262, 262, 262, 262, 262, 262, 262, 52, 53,  73,  261, 55,  56,
    57,  58,  59,  241, 242, 62,  63,  64,  65,  66, 67,  68,  69,  141, 178,
};

std::string settings_parameter_name(long index)
{
    // The parameter table has one entry more than there are names: the last parameter,
    // and anything else outside, shows as not defined.
    if (index < 0 || size_t(index) >= std::size(settings_parameter_name_labels))
        return txt_label(label_not_defined, true);
    const int entry = settings_parameter_name_labels[index];
    if (entry >= default_prefix)
        return txt_label(label_default, true) + txt_label(entry - default_prefix, true);
    return txt_label(entry, true);
}

std::string function_field_name(long field)
{
    if (field < 0 || size_t(field) >= std::size(function_field_name_labels))
        return txt_label(label_not_defined, true);
    return txt_label(function_field_name_labels[field], true);
}

void parameter_error_state::reset() { *this = parameter_error_state(); }

parameter_error_state& g_parameter_error()
{
    static parameter_error_state s;
    return s;
}

std::string error_record_text(const error_record& e)
{
    const std::optional<std::string> text = txt_error(e.type, e.code);
    if (!text)
        return safe_format("Text not found, Fehlercode: %d, FehlerTyp: %d", {e.code, int(e.type)});

    const bool parameter_error = (e.type == err_type_device && (e.code == 30 || e.code == 32)) ||
                                 (e.type == err_type_host && e.code == 24);
    if (parameter_error) {
        const parameter_error_state& pe = g_parameter_error();
        if (pe.parameter_error_index != -1)
            return safe_format(*text, {settings_parameter_name(pe.parameter_error_index)});
        if (e.argument_kind == err_arg_none)
            return safe_format(*text, {txt_label(label_not_defined)});
        std::string name;
        if (e.type == err_type_device) {
            name = function_field_name(e.argument);
        } else {
            name = txt_label(e.argument, true);
            if (name.empty())
                name = txt_label(label_not_defined, true);
        }
        std::string message = safe_format(*text, {name});
        if (pe.parameter_error_function != -1)
            message += safe_format(" %s %03d ", {txt_label(label_func_no), pe.parameter_error_function});
        return message;
    }

    switch (e.argument_kind) {
    case err_arg_once: return safe_format(*text, {e.argument});
    case err_arg_twice: return safe_format(*text, {e.argument, e.argument});
    default: return *text;
    }
}

void show_error_record(error_record e, std::string* out)
{
    const std::string message = error_record_text(e);
    if (out) {
        *out = message;
        return;
    }
    const QString text = QString::fromLatin1(message.data(), int(message.size()));
    if (e.code != 0 && e.severity != err_severity_warning)
        ui::current().message(ui::box_kind::critical, ui::title_error(), text, ui::ok);
    else
        ui::current().message(ui::box_kind::warning, ui::title_warning(), text, ui::ok);
}

void show_error_code(int16_t code, int32_t severity, int16_t type, int16_t argument_kind, int32_t argument)
{
    error_record e;
    e.set(type, code, severity, argument_kind, argument);
    show_error_record(e);
}

void show_busy_box(const QString& title, const QString& text) { ui::current().busy_show(title, text); }

void hide_busy_box() { ui::current().busy_hide(); }
