// The printout and the function dialog on a full program:
// 1. Print of a 512-function program (both texts built from the page and printed to PDF)
//    against QTextDocument printing the same two finished texts to PDF in the same run
//    (goal: at most 1.2 times);
// 2. opening the function dialog with 511 functions in use against filling plain
//    QComboBoxes with the same items, texts and data (goal: at most 2 times).
//   build/release/bench/bench_program_printout [rounds]
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPrinter>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/text/user_seam.h"
#include "program/c_dlgw_program.h"
#include "program/program_print.h"
#include "program_dialogs/c_dlg_advancedoptions.h"
#include "program_dialogs/c_dlg_prgfunction.h"
#include "program_dialogs/element_buffers.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_program.h"

namespace {

void full_program(config_image& img, uint32_t used)
{
    reset_config_image(img);
    for (uint32_t n = 0; n < used; ++n) {
        function_record r = img.function(n);
        r.set_in_use(true);
        r.set_name("Function " + std::to_string(n));
        r.set_field(fr::mode, 1);
        r.set_field(fr::object_pos, int32_t(n * 37));
        r.set_field(fr::teach_limit, 27000);
        r.set_field(fr::tolerance, 300);
        r.set_field(fr::next_func, -1);
        r.set_field(fr::ko_func, -1);
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Accepts the print dialog with a PDF file; every box takes its default.
class bench_ui final : public ui::services {
public:
    QString pdf;
    int message(ui::box_kind, const QString&, const QString&, int buttons, int default_button) override
    {
        return ui::default_answer(buttons, default_button);
    }
    void progress_begin(const QString&) override {}
    void progress_set(int v) override { value_ = v; }
    int progress_value() const override { return value_; }
    void progress_end() override {}
    void process_events() override {}
    QString open_file_name(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString save_file_name(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString existing_directory(QWidget*, const QString&, const QString&) override { return {}; }
    int run_modal(QWidget*) override { return 0; }
    bool choose_printer(QPrinter& printer) override
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    }

private:
    int value_ = 0;
};

// The baseline: the finished texts printed by QTextDocument alone, on the same pages in the
// same fonts.
void print_plain(const QString& settings, const QString& table, const QString& a, const QString& b)
{
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(a);
    QFont font(QStringLiteral("Courier"), 9);
    font.setStyleHint(QFont::TypeWriter);
    QTextDocument doc;
    doc.setDefaultFont(font);
    doc.setPlainText(settings);
    doc.print(&printer);
    font.setPointSize(7);
    doc.setDefaultFont(font);
    QTextOption no_wrap;
    no_wrap.setWrapMode(QTextOption::NoWrap);
    doc.setDefaultTextOption(no_wrap);
    doc.setPlainText(table);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer.setOutputFileName(b);
    doc.print(&printer);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.debug=false");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir out;
    bench_ui answers;
    ui::install(&answers);

    // 1. The printout against QTextDocument printing the same finished texts.
    {
        QWidget main;
        c_dlgw_program page(&main);
        g_program_document().source = 2;
        g_program_document().file_name = QStringLiteral("/bench/full.cdx");
        full_program(g_config_image(), image_layout::function_count);
        page.show_program(&main);
        answers.pdf = out.filePath(QStringLiteral("page.pdf"));
        std::vector<double> printed, plain;
        for (int r = 0; r < rounds; ++r) {
            QElapsedTimer t;
            t.start();
            page.on_bn_Print_clicked();
            printed.push_back(double(t.nsecsElapsed()) / 1e6);

            const QString settings =
                print_settings_text(*page.form(), *page.advanced_options()->form(), current_print_context());
            const QString table = print_function_table_text(*page.form()->tbwx_FuncTab);
            t.restart();
            print_plain(settings, table, out.filePath(QStringLiteral("plain.pdf")),
                        out.filePath(QStringLiteral("plain-functions.pdf")));
            plain.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        const double a = median(printed), b = median(plain);
        std::printf("Print, 512 functions (both texts, two PDFs): %.1f ms; QTextDocument, same two texts: %.1f ms; "
                    "ratio %.2f (goal <= 1.2)\n",
                    a, b, a / b);
    }
    // 2. Opening the function dialog with 511 functions in use against plain combo boxes
    //    given the same items (texts and data).
    {
        QWidget main;
        c_dlgw_program page(&main);
        g_program_document().source = 2;
        full_program(g_config_image(), image_layout::function_count - 1);
        page.show_program(&main);
        c_dlg_prgfunction* dialog = function_dialog();
        g_cluster_edit_buffer().reset();  // New: the one free number
        std::vector<double> opened, plain;
        QList<QComboBox*> combos;
        // The items of each of the dialog's lists: text and data.
        std::vector<std::vector<std::pair<QString, QVariant>>> items;
        for (int r = 0; r < rounds; ++r) {
            QElapsedTimer t;
            t.start();
            const bool ok = dialog->showFunction();
            opened.push_back(double(t.nsecsElapsed()) / 1e6);
            if (!ok) {
                std::fprintf(stderr, "the function dialog did not open\n");
                return 1;
            }
            if (items.empty())
                for (QComboBox* c : dialog->findChildren<QComboBox*>()) {
                    std::vector<std::pair<QString, QVariant>> list;
                    for (int i = 0; i < c->count(); ++i)
                        list.emplace_back(c->itemText(i), c->itemData(i));
                    items.push_back(list);
                    combos << new QComboBox(&main);
                }
            t.restart();
            for (size_t i = 0; i < items.size(); ++i) {
                QComboBox* c = combos[int(i)];
                c->clear();
                for (const auto& [text, data] : items[i])
                    c->addItem(text, data);
            }
            plain.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        int total = 0;
        for (const auto& l : items)
            total += int(l.size());
        const double a = median(opened), b = median(plain);
        std::printf("Function dialog opened, 511 functions in use: %.2f ms; %d plain QComboBoxes, same %d items: %.2f ms; "
                    "ratio %.2f (goal <= 2)\n",
                    a, int(items.size()), total, b, a / b);
    }
    return 0;
}
