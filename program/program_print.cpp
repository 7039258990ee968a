#include "program/program_print.h"

#include <QBuffer>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QPdfWriter>
#include <QPrinter>
#include <QTableWidget>
#include <QTextDocument>
#include <QTextOption>
#include <QTime>

#include "core/device/device_info.h"
#include "core/files/file_helpers.h"
#include "core/image/core_state.h"
#include "core/image/function_rows.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "page_common/tool_views.h"
#include "program/c_dlgw_program.h"
#include "state/shell_state.h"
#include "ui_c_dlg_advancedoptions.h"
#include "ui_c_dlgw_program.h"
#include "widgets/c_my_rbg.h"
#include "widgets/c_qlineedit_extend.h"

namespace {

QString label(long n) { return QString::fromLatin1(txt_label(n, true).c_str()); }

// Columns are padded by characters, not by encoded bytes, so that "°" keeps them aligned.
QString left(const QString& s, int width) { return s.leftJustified(width, QLatin1Char(' ')); }
QString cut(const QString& s, int width) { return s.left(width).leftJustified(width, QLatin1Char(' ')); }
QString right(const QString& s, int width) { return s.rightJustified(width, QLatin1Char(' ')); }

// A value in hundredths with two decimals, without a detour through floating point.
QString hundredths(int32_t v)
{
    const int64_t a = v < 0 ? -int64_t(v) : int64_t(v);
    return QStringLiteral("%1%2.%3").arg(v < 0 ? QStringLiteral("-") : QString()).arg(a / 100).arg(a % 100, 2, 10, QLatin1Char('0'));
}

class text_builder {
public:
    void line(const QString& s) { text_ += s + QLatin1Char('\n'); }
    void empty() { text_ += QLatin1Char('\n'); }
    void info(const QString& name, const QString& value)
    {
        line(left(name, 30) + QLatin1Char(' ') + (value.isEmpty() ? QStringLiteral("--------------------") : value));
    }
    void section(const QString& title) { line(title + QLatin1Char(':')); }
    // An item labelled by a label text as it stands, with ":" ("Mode    :").
    void item(const QString& name, const QString& value) { raw_item(name + QLatin1Char(':'), value); }
    // An item labelled by its radio group's title, with the selected button's text.
    void group(const c_my_rbg* g) { raw_item(g->title(), g->checked_text()); }
    void raw_item(const QString& name, const QString& value)
    {
        line(QStringLiteral("  ") + left(name, 28) + QLatin1Char(' ') + value);
    }
    const QString& text() const { return text_; }

private:
    QString text_;
};

}  // namespace

print_context current_print_context()
{
    print_context c;
    const QDateTime now = QDateTime::currentDateTime();
    c.date = now.date().toString(QStringLiteral("dd.MM.yyyy"));
    c.time = now.time().toString(QStringLiteral("hh:mm:ss"));
    c.basic = g_device().family_flag != 0;
    const program_document& doc = g_program_document();
    const bool controller = doc.source == 1;
    c.configuration = QString::fromStdString(connection_title_suffix(controller, doc.file_name.toStdString()));
    if (controller) {
        c.firmware = QString::fromStdString(version_record_text(g_device_info().firmware));
        c.loader = QString::fromStdString(version_record_text(g_device_info().loader));
    }
    const_settings_header h = g_config_image().header();
    c.area_flag = h.field(hdr::area_flag);
    c.neg_teach_limit = h.field(hdr::neg_teach_limit);
    c.pb_cmd_options = h.field(hdr::pb_cmd_options);
    return c;
}

QString print_settings_text(const Ui::c_dlgw_program& f, const Ui::c_dlg_advancedoptions& a, const print_context& c)
{
    text_builder t;
    t.line(left(QStringLiteral("Tarvix Configuration"), 55) + QStringLiteral(" Date: ") + c.date + QLatin1Char(' ') + c.time);
    t.info(label(212), c.configuration);
    t.info(label(317), label(c.basic ? 190 : 189));
    t.info(label(92), c.firmware);
    t.info(label(300), c.loader);
    t.empty();
    t.info(label(203), label(c.area_flag != 0 ? 205 : 204));
    t.empty();

    t.section(QStringLiteral("Global Settings"));
    t.item(label(90), f.cb_GS_Scanner->currentText());
    t.item(label(253), a.ebx_GS_HomePosOffset->text());
    t.item(label(247), a.ebx_GS_CrashFreeArea->text());
    t.item(label(254), a.ebx_GS_ToolChangeTime->text());
    t.item(label(275), a.ebx_GS_LimitPosition->text());
    t.item(label(233), a.ebx_GS_Position1->text());
    t.item(label(234), a.ebx_GS_Position2->text());
    t.item(label(94), f.rbg_GS_ReturnTrvMon->checked_text());
    t.item(label(89), f.rbg_GS_RotDir->checked_text());
    t.item(label(96), a.rbg_GS_TeachCntClear->checked_text());
    t.item(label(97), f.rbg_GS_PowerOnMove->checked_text());
    t.item(label(306), a.rbg_ScanningMode->checked_text());
    t.item(label(310), a.rbg_PrepositionIntensity->checked_text());
    if (!c.basic) {
        t.item(label(23), a.rbg_GoBackMonitoring->checked_text());
        t.item(label(312), a.rbg_HomePosVariant->checked_text());
        t.item(label(313), a.rbg_KoDetection->checked_text());
        t.item(label(443), a.rbg_Rescan->checked_text());
        t.item(a.l_MinTeachPos->text(), a.ebx_GS_MinTeachPos->text());
        t.item(a.l_GS_PrepositionOffset->text(), a.ebx_GS_PrepositionOffset->text());
        const QString unit = c.area_flag != 0 ? QStringLiteral("mm") : QStringLiteral("\u00B0");
        t.item(label(451), a.ebx_GS_ToleranceOffset->text() + QLatin1Char(' ') + unit);
        t.item(label(517), a.ebx_GS_SwarfArea->text());
        // The command option word as stored, then the choice of the PCD command.
        const QString word = QStringLiteral("%1").arg(uint32_t(c.pb_cmd_options), 8, 16, QLatin1Char('0')).toUpper();
        t.item(label(515), QStringLiteral("0x") + word + QLatin1Char(' ') + f.rbg_GS_PB_EnablePCD->checked_text());
        t.item(label(518), a.ebx_GS_SoftscanIntensity->text());

        t.section(label(273));
        t.item(label(95), f.ebx_GS_ProfibusAddr->text());
        t.item(label(274), f.rbg_GS_PB_Format->checked_text());
        t.group(f.rbg_GS_PB_EnableNegVals);
        t.group(f.rbg_GS_PB_ValRange);
        t.section(label(353));
        t.item(label(354), f.ebx_GS_MacId->text());
        t.item(label(274), f.rbg_GS_DN_Format->checked_text());
        t.group(f.rbg_GS_DN_Protocol);
        t.item(label(355), f.cb_GS_DN_Baudrate->currentText());
    }

    t.section(label(77));
    for (const c_my_rbg* g : {f.rbg_GS_Out1, f.rbg_GS_Out2, f.rbg_GS_Out3, f.rbg_GS_Out4, f.rbg_GS_SignalMode})
        t.group(g);
    if (f.rbg_GS_OutPulseTime->index() == 2)
        t.raw_item(f.rbg_GS_OutPulseTime->title(),
                   f.rbg_GS_OutPulseTime->checked_text() + QLatin1Char(' ') + f.ebx_GS_OutputsTime->text() + QStringLiteral(" ms"));
    else
        t.group(f.rbg_GS_OutPulseTime);
    if (c.basic)
        t.group(f.rbg_TS_AlarmOut);

    t.section(label(294));
    for (const c_my_rbg* g : {f.rbg_InFunc1, f.rbg_InFunc3, f.rbg_InFunc13})
        t.group(g);

    if (!c.basic) {
        t.section(QStringLiteral("Default Settings"));
        t.item(label(52), f.cb_DS_Mode->currentText());
        t.item(label(53), f.cb_DS_BackMode->currentText());
        t.item(label(73), f.ebx_DS_BackAngle->text());
        t.item(label(57), f.ebx_DS_DefaultAngle->text());
        t.item(label(58), f.ebx_DS_DefaultTolerance->text());
        t.item(label(59), f.cb_DS_DefaultIntensity->currentText());
        const QComboBox* outs[4] = {f.cb_DS_Out1_Funktion, f.cb_DS_Out2_Funktion, f.cb_DS_Out3_Funktion,
                                    f.cb_DS_Out4_Funktion};
        for (int i = 0; i < 4; ++i)
            t.item(label(62 + i), outs[i]->currentText());
        t.empty();
        // The area limits once (they used to come out twice).
        const QLineEdit* areas[4] = {f.ebx_DS_Area_1a, f.ebx_DS_Area_1b, f.ebx_DS_Area_2a, f.ebx_DS_Area_2b};
        for (int i = 0; i < 4; ++i)
            t.item(label(66 + i), areas[i]->text());
        t.empty();

        t.section(label(201));
        t.item(label(198), f.ebx_VertDistance->text());
        t.item(label(199), f.ebx_RefAngle90->text());
        t.item(label(200), f.ebx_RefToolLength->text());
    }

    t.section(QStringLiteral("Custom Settings"));
    const QLineEdit* dips[4] = {f.ebx_CS_DIP_Tolerance_1, f.ebx_CS_DIP_Tolerance_2, f.ebx_CS_DIP_Tolerance_3,
                                f.ebx_CS_DIP_Tolerance_4};
    for (int i = 0; i < 4; ++i)
        t.item(label(496 + i), dips[i]->text());
    t.item(label(509), f.rbg_CS_RelaySwitch->checked_text());
    t.item(label(510), hundredths(c.neg_teach_limit));
    return t.text();
}

QString print_function_table_text(const QTableWidget& table)
{
    QString head = label(155) + QStringLiteral("  ");
    for (int n : {51, 52, 53})
        head += label(n) + QLatin1Char(' ');
    head += QString(10, QLatin1Char(' '));
    const std::pair<int, int> columns[] = {{156, 4}, {172, 4}, {157, 7}, {158, 7}, {159, 3}, {216, 3},
                                           {60, 0},  {436, 0}, {161, 4}, {162, 4}, {163, 4}, {164, 4},
                                           {217, 0}, {218, 0}, {219, 0}, {220, 0}};
    for (const auto& [n, width] : columns)
        head += (width ? label(n).left(width) : label(n)) + QLatin1Char(' ');
    text_builder t;
    t.line(head);

    const int rows = table.rowCount();
    QString cells[20];
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < 20; ++col) {
            const QTableWidgetItem* item = table.item(row, col);
            cells[col] = item ? item->text() : QString();
        }
        const QChar sp(QLatin1Char(' '));
        QString s;
        s.reserve(180);
        s += left(cells[0], 8) + sp + left(cells[1], 12) + sp + left(cells[2], 8) + sp + left(cells[3], 17) + sp;
        s += cells[4] + sp + cells[5] + sp + right(cells[6], 7) + sp + right(cells[7], 7) + sp;
        s += cells[8].left(5).rightJustified(5, sp) + sp + cut(cells[9], 3) + sp + right(cells[10], 7) + sp +
             right(cells[11], 7) + QStringLiteral("  ");
        for (int col = 12; col < 16; ++col)
            s += cut(cells[col], 6) + sp;
        for (int col = 16; col < 20; ++col)
            s += cut(cells[col], 8) + (col < 19 ? QString(sp) : QString());
        t.line(s);
    }
    return t.text();
}

QString function_table_file_name(const QString& name)
{
    if (name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return name.left(name.size() - 4) + QStringLiteral("-functions") + name.right(4);
    return name + QStringLiteral("-functions");
}

namespace {

// One document as a PDF file in memory, on the printer's page set-up.
QByteArray pdf_of(const QTextDocument& doc, const QPrinter& printer)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPdfVersion(printer.pdfVersion());
        writer.setResolution(printer.resolution());
        writer.setPageLayout(printer.pageLayout());
        writer.setTitle(printer.docName());
        writer.setCreator(printer.creator());
        doc.print(&writer);
    }
    return bytes;
}

}  // namespace

bool print_program_texts(QPrinter& printer, const QString& settings, const QString& table)
{
    // To PDF files the two documents are made in memory and written under temporary names
    // beside the files they replace; both take their places only when both were written, so
    // a refused or failed print leaves the old files as they were. A name that is not a
    // regular file that may be written (a FIFO, a folder, a read-only file) is refused
    // before anything is printed.
    const bool pdf = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
    const QString first = printer.outputFileName();
    const QString second = pdf ? function_table_file_name(first) : QString();
    replacement_file first_file, second_file;
    if (pdf && (!first_file.open(first) || !second_file.open(second))) {
        show_error_code(3, 2, 1, 0, 0);
        return false;
    }

    QFont font(QStringLiteral("Courier"), 9, QFont::Normal, false);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    QTextDocument doc;
    doc.setDefaultFont(font);
    doc.setPlainText(settings);
    QByteArray first_pdf, second_pdf;
    if (pdf)
        first_pdf = pdf_of(doc, printer);
    else
        doc.print(&printer);

    // One table row is one printed line: the text document's own 2 cm frame margin is the
    // only margin, so that a row of 7-point characters fits across a landscape page.
    font.setPointSize(7);
    doc.setDefaultFont(font);
    QTextOption no_wrap = doc.defaultTextOption();
    no_wrap.setWrapMode(QTextOption::NoWrap);
    doc.setDefaultTextOption(no_wrap);
    doc.setPlainText(table);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    ui::services& u = ui::current();
    u.progress_begin(label(117));
    progress_label(label(116), true);
    bool written = true;
    if (pdf) {
        second_pdf = pdf_of(doc, printer);
        written = first_file.write(first_pdf.constData(), size_t(first_pdf.size())) &&
                  second_file.write(second_pdf.constData(), size_t(second_pdf.size())) && first_file.finish() &&
                  second_file.finish() && commit_together(first_file, second_file);
    } else {
        doc.print(&printer);
    }
    progress_label(label(116), false);
    u.progress_end();
    if (!written) {
        show_error_code(3, 2, 1, 0, 0);
        return false;
    }
    return true;
}
