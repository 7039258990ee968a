#include "core/files/scanner_lists.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QList>
#include <QSortFilterProxyModel>
#include <cstdio>

#include "core/device/device_calls.h"
#include "core/files/app_dirs.h"
#include "core/files/file_helpers.h"
#include "core/files/scanner_sets.h"
#include "core/text/user_seam.h"

scanner_list_state& g_scanner_lists()
{
    static scanner_list_state s;
    return s;
}

namespace {
constexpr uint32_t user_set_code = 0xE0000;  // family bits 17 to 19: the user sets' families
constexpr int user_id_bit = 0x80;

QString scanner_list_path()
{
    return app_file(QStringLiteral("scannerx.lst"));
}

// The list holds 50 short lines; a file is read this far at most.
constexpr qint64 scanner_list_read_limit = qint64(1) << 20;

// One line without its line end (LF or CR LF).
QByteArray strip_line_end(QByteArray line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (!line.isEmpty() && static_cast<unsigned char>(line.back()) < ' ')
        line.chop(1);
    return line;
}

bool has_attribute(const QByteArray& line)
{
    if (line.size() < 10)
        return false;
    const unsigned char c = static_cast<unsigned char>(line[9]);
    return c >= 34 && c <= 126;
}

bool read_code(const QByteArray& line, uint32_t& code)
{
    unsigned int v = 0;
    if (std::sscanf(line.constData(), "%08x", &v) != 1)
        return false;
    code = v;
    return true;
}

QList<QByteArray> split_lines(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

void clear_model(QAbstractItemModel* model)
{
    if (!model)
        return;
    if (model->rowCount() > 0)
        model->removeRows(0, model->rowCount());
    if (model->columnCount() < 2)
        model->insertColumns(model->columnCount(), 2 - model->columnCount());
    else if (model->columnCount() > 2)
        model->removeColumns(2, model->columnCount() - 2);
}

void set_error(error_record& err, int code)
{
    err.set(err_type_host, code, err_severity_error, err_arg_none, 0);
}

bool rebuild_from_file(QAbstractItemModel* model, error_record& err)
{
    scanner_list_state& s = g_scanner_lists();
    s.user_set_flags = {0, 0};
    s.count = 0;
    QFile f;
    if (!open_regular_file(f, scanner_list_path())) {
        ui::current().message(ui::box_kind::critical, QStringLiteral("Error"),
                              QStringLiteral("Error: File SCANNER.LST not found!"));
        return false;
    }
    const QList<QByteArray> lines = split_lines(f.read(scanner_list_read_limit));
    for (const QByteArray& raw : lines) {
        const QByteArray line = strip_line_end(raw);
        if (line.size() >= 256) {
            set_error(err, 27);
            break;
        }
        if (!has_attribute(line))
            continue;
        uint32_t code = 0;
        if (!read_code(line, code)) {
            set_error(err, 27);
            break;
        }
        // The list keeps 50 scanners; the two entries behind them belong to the user sets.
        if (s.count >= scanner_list_state::max_codes)
            break;
        s.codes[s.count] = code;
        const QString text = QString::fromLatin1(line.mid(9));
        add_scanner_row(model, text, s.count);
        s.texts.append(text);
        if (s.count == 0)
            s.auto_detect_text = QStringLiteral(".ZP_AutoDetect");
        ++s.count;
    }
    s.codes[s.count] = user_set_code;
    s.codes[s.count + 1] = user_set_code;
    add_scanner_row(model, QStringLiteral("USER_0_NotDef"), s.count);
    add_scanner_row(model, QStringLiteral("USER_1_NotDef"), s.count + 1);
    return s.count >= 5;
}

bool rebuild_from_controller(QAbstractItemModel* model)
{
    scanner_list_state& s = g_scanner_lists();
    int count = 0;
    QString set0_name;
    scanner_record rec;
    s.auto_detect_set = 1;
    for (int set = 0; set < 128; ++set) {
        error_record e;
        bool exists = false;
        bool ok = g_device_calls().wait_idle(e);
        if (ok) {
            g_device_calls().refresh_device_info();
            ok = read_scanner_set(static_cast<uint8_t>(set), 1, rec, exists, e) && exists && !rec.name().isEmpty();
        }
        if (!ok) {
            if (set != 0)
                break;
            s.auto_detect_text = QStringLiteral("ErrorAutoDetect");
            rec.set_name(QStringLiteral(".ZP_AutoDetect"));
            add_scanner_row(model, rec.name(), count);
            s.texts.append(rec.name());
            ++count;
            continue;
        }
        const QString name = scanner_set_list_name(rec);
        if (name == QLatin1String("ZP_Reserved"))
            continue;
        QString shown = name;
        if (!name.startsWith(QLatin1Char('P')) && !name.startsWith(QLatin1Char('p')))
            shown = QString::asprintf("P%03d (", count) + name + QLatin1Char(')');
        QString row = shown;
        if (set == 0) {
            set0_name = name;
            s.auto_detect_text = shown + QLatin1Char('*');
            row = QStringLiteral(".ZP_AutoDetect");
        } else if (!set0_name.isEmpty() && name == set0_name && s.auto_detect_set == 1) {
            s.auto_detect_set = set;
            if (s.auto_detect_text.startsWith(QLatin1String("P000")))
                s.auto_detect_text.replace(1, 3, QString::asprintf("%03d", set));
        }
        // The code list has no entry for sets counted beyond it: such rows stay hidden.
        if (count < scanner_list_state::max_codes)
            add_scanner_row(model, row, count);
        s.texts.append(row);
        ++count;
    }
    s.count = static_cast<uint16_t>(count);
    if (count >= 5) {
        for (int k = 0; k < 2; ++k) {
            error_record e;
            bool exists = false;
            bool ok = g_device_calls().wait_idle(e);
            if (ok) {
                g_device_calls().refresh_device_info();
                ok = read_scanner_set(static_cast<uint8_t>(user_id_bit | k), 1, rec, exists, e) && exists &&
                     !rec.name().isEmpty();
            }
            QString row;
            if (ok) {
                row = QStringLiteral("USER_%1_").arg(k) + scanner_set_list_name(rec);
                s.user_set_flags[k] = 1;
            } else {
                row = QStringLiteral("USER_%1_NotDef").arg(k);
                s.user_set_flags[k] = 0;
            }
            add_scanner_row(model, row, k + 128);
            s.user_set_names[size_t(k)] = row;
        }
    }
    return count >= 5;
}
}  // namespace

void parse_scanner_list(const QByteArray& text, scanner_list_state& s, error_record& err)
{
    s.count = 0;
    for (const QByteArray& raw : split_lines(text)) {
        const QByteArray line = strip_line_end(raw);
        if (line.isEmpty())
            continue;
        if (!has_attribute(line)) {
            set_error(err, 27);
            return;
        }
        uint32_t code = 0;
        if (!read_code(line, code)) {
            set_error(err, 62);
            return;
        }
        if (s.count >= scanner_list_state::max_codes)
            return;
        s.codes[s.count++] = code;
    }
}

void read_scanner_list()
{
    g_scanner_lists().count = 0;
    QFile f;
    if (!open_regular_file(f, scanner_list_path()))
        return;
    error_record err;
    parse_scanner_list(f.read(scanner_list_read_limit), g_scanner_lists(), err);
    if (err.failed())
        g_host_context().show_error(err);
}

bool add_scanner_row(QAbstractItemModel* model, const QString& text, int id)
{
    const int n = (g_host_context().family_code() >> 4) & 0x0F;
    const uint32_t family_bit = 1u << (15 + n);
    bool shown;
    if (id & user_id_bit)
        shown = (family_bit & user_set_code) != 0;
    else
        shown = id >= 0 && id < static_cast<int>(g_scanner_lists().codes.size()) &&
                (g_scanner_lists().codes[static_cast<size_t>(id)] & family_bit) != 0;
    if (!shown || !model)
        return false;
    if (model->columnCount() < 2)
        model->insertColumns(model->columnCount(), 2 - model->columnCount());
    if (!model->insertRow(0))
        return false;
    model->setData(model->index(0, 0), text, Qt::EditRole);
    model->setData(model->index(0, 1), id, Qt::EditRole);
    return true;
}

bool rebuild_scanner_lists(QAbstractItemModel* model, QSortFilterProxyModel* proxy, error_record& err)
{
    err.code = 0;
    clear_model(model);
    g_scanner_lists().texts.clear();
    g_scanner_lists().user_set_names = scanner_list_state{}.user_set_names;
    bool result;
    if (g_host_context().data_source() == 2)
        result = rebuild_from_file(model, err);
    else
        result = rebuild_from_controller(model);
    if (proxy && model && proxy->sourceModel() != model)
        proxy->setSourceModel(model);
    return result;
}

void reset_scanner_lists_for_tests()
{
    g_scanner_lists() = scanner_list_state{};
}
