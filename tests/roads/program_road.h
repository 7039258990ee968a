// The fixture of the program roads: File › Open from the controller and from a file, the
// program page's Save and Save As to the controller and to a file, each through the data
// source dialog's buttons, the real file dialog and the progress dialog.
#pragma once
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>

#include "core/image/working_image.h"
#include "core/text/text_tables.h"
#include "page_common/c_dlg_srcauswahl.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "tests/roads/road_fixture.h"
#include "ui_c_dlgw_program.h"
#include "widgets/c_dlg_progressbar.h"
#include "widgets/c_qlineedit_extend.h"

namespace roads {

inline QString label(int n) { return QString::fromLatin1(txt_label(n).c_str()); }

// Counts the paint events of a widget.
struct paint_counter : QObject {
    explicit paint_counter(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        paints += e->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

class program_road : public road_test {
protected:
    Ui::c_dlgw_program* page_form() const { return window_->program_page()->form(); }

    // File › Open › Tarvix, a box titled `end_box` (if any) answered OK; the requests the
    // controller received meanwhile.
    std::vector<wire_request> open_from_controller(const QString& end_box = QString())
    {
        const uint64_t seq = sim_->control().log_next_seq();
        driver_.press(QStringLiteral("c_dlg_srcauswahl"), QStringLiteral("Tarvix"));
        if (!end_box.isEmpty())
            driver_.press(end_box, QMessageBox::Ok);
        click(form()->ac_Open);
        return requests(seq);
    }
    // File › Open › File with the file dialog given `path`.
    void open_file(const QString& path)
    {
        driver_.press(QStringLiteral("c_dlg_srcauswahl"), QStringLiteral("File"))
            .choose_file(QStringLiteral("fd_Load"), path);
        click(form()->ac_Open);
    }
    // The program page's Save As to the controller or into `path`, the box that ends it
    // (titled `end_box`) answered OK.
    std::vector<wire_request> save_as_controller(const QString& end_box)
    {
        const uint64_t seq = sim_->control().log_next_seq();
        driver_.press(QStringLiteral("c_dlg_srcauswahl"), QStringLiteral("Tarvix")).press(end_box, QMessageBox::Ok);
        page_form()->bn_SaveAs->click();
        return requests(seq);
    }
    void save_as_file(const QString& path)
    {
        driver_.press(QStringLiteral("c_dlg_srcauswahl"), QStringLiteral("File"))
            .choose_file(QStringLiteral("fd_Save"), path)
            .press(ui::title_information(), QMessageBox::Ok);
        page_form()->bn_SaveAs->click();
    }
    // Back to the start page with the program page's Close; an unchanged program asks nothing.
    void close_program_page()
    {
        page_form()->bn_Close->click();
        EXPECT_EQ(page(), int(c_frm_main::page_start));
    }
    // The negative teach limit as the user types it (hundredths).
    void type_negative_teach_limit(const QString& text) { page_form()->ebx_CS_NegTeachLimit->setText(text); }
    // The negative teach limit the controller holds (it keeps 16 bits of it).
    int controller_negative_teach_limit()
    {
        int32_t v = 0;
        EXPECT_TRUE(sim_->control().parameter(105, v));
        return int16_t(uint16_t(v));
    }
    // The message boxes seen since the last clear, as "title|text".
    std::vector<std::string> box_texts() const
    {
        std::vector<std::string> out;
        for (const seen_dialog& s : driver_.boxes())
            out.push_back((s.title + QLatin1Char('|') + s.text).toStdString());
        return out;
    }
    // The unplugged controller comes back; the link with it.
    void replug()
    {
        ask("faults-clear");
        ask("replug");
        wait_ready();
    }
};

}  // namespace roads
