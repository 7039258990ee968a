// Not a benchmark: pictures of the clone and access-level windows for a person to look at:
// the Create Clone dialog, the clone file dialog with the preview of a clone file, the
// password dialog, and the main window at access levels 0, 1 and 2.
//   xvfb-run -a build/asan/bench/app_clone_shots <output folder>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <cstdio>

#include "app/c_dlg_createclone.h"
#include "app/c_dlg_password.h"
#include "app/c_frm_main.h"
#include "app/c_qfiledialog_clone.h"
#include "app/clone_file.h"
#include "bench/app/answering_services.h"
#include "core/files/app_dirs.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "manual/c_dlgw_manualx.h"
#include "program/c_dlgw_program.h"
#include "state/shell_state.h"
#include "ui_c_dlg_createclone.h"
#include "ui_c_dlg_password.h"
#include "widgets/c_qtabwidget_ext.h"

namespace {

bool save(QWidget* w, const QString& folder, const char* name)
{
    w->show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const QString file = folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(file));
    return ok;
}


// A clone file as creation writes it, with a device memory of a pattern.
QString sample_clone(const QString& dir)
{
    clone_header_source s;
    s.article = "5206252";
    s.fw_major = 1, s.fw_minor = 17, s.fw_patch = 6, s.fw_build = 12;
    s.comment = QStringLiteral("Line 4, spindle 3, after service");
    s.fld_major = 1, s.fld_minor = 5, s.fld_patch = 3;
    s.va = 0x24;
    s.logic_major = 1, s.logic_minor = 5;
    const QString path = dir + QStringLiteral("/spindle3.clns");
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite | QIODevice::Truncate))
        return path;
    f.write(build_clone_header(s));
    f.write(QByteArray(int(clone_layout::firmware - clone_layout::device_memory), '\x5A'));
    f.write(":00000001FF\r\n");
    finish_clone_file(f);
    return path;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    // The built application folder, whose data files the New command reads.
    const QString app_dir = QFileInfo(QFileInfo(QString::fromLocal8Bit(argv[0])).canonicalPath() + QStringLiteral("/../app"))
                                .canonicalFilePath();
    QTemporaryDir tmp;
    init_app_dirs(app_dir, tmp.path() + QStringLiteral("/data"));
    bool ok = true;

    c_dlg_createclone create;
    create.setWindowTitle(QStringLiteral("Create Clone ..."));
    create.form()->eb_Comment->setText(QStringLiteral("Line 4, spindle 3, after service"));
    create.form()->eb_Comment->selectAll();
    create.form()->l_Hint->setText(
        QString::fromLatin1(txt_message(33).c_str()).replace(QStringLiteral("%s"), QStringLiteral("spindle3.clns")));
    ok = save(&create, folder, "clone_create_dialog") && ok;

    const QString clones = data_file(QStringLiteral("tvx_clones"));
    const QString sample = sample_clone(clones);
    c_qfiledialog_clone files;
    files.set_preview(clone_preview, 100);
    files.setWindowTitle(QStringLiteral("Program clone data from file ..."));
    files.setNameFilter(QStringLiteral("Tarvix Clonefiles (*.clns)"));
    files.setDirectory(clones);
    files.resize(760, 520);
    files.show();
    files.selectFile(sample);
    emit files.currentChanged(sample);
    ok = save(&files, folder, "clone_file_dialog") && ok;

    c_dlg_password password;
    password.form()->eb_Password->setText(QStringLiteral("secret"));
    ok = save(&password, folder, "clone_password_dialog") && ok;

    static answering_services answers;
    ui::install(&answers);
    c_frm_main w;
    w.resize(1000, 700);
    ok = save(&w, folder, "clone_main_level0") && ok;

    answers.code = QStringLiteral("qzmorv");
    w.on_ac_Support_triggered();
    // The manual page as its entry fills it, here from the presets of a new program.
    w.on_ac_New_triggered();
    w.manual_page()->init_from_device(&w);
    w.findChild<QStackedWidget*>(QStringLiteral("stackedWidget"))->setCurrentIndex(c_frm_main::page_manual);
    ok = save(&w, folder, "clone_main_level1_manual_page") && ok;

    w.on_ac_Support_triggered();  // back to level 0
    answers.code = QStringLiteral("tkvra7");
    w.on_ac_Support_triggered();
    w.on_ac_New_triggered();  // a new program, so that the tab shows its presets
    if (auto* tabs = w.program_page()->findChild<c_qtabwidget_ext*>(QStringLiteral("tab_Settings")))
        tabs->setCurrentWidget(w.program_page()->findChild<QWidget*>(QStringLiteral("tw_CustomSettings")));
    ok = save(&w, folder, "clone_main_level2_program_page") && ok;
    ui::install(nullptr);
    return ok ? 0 : 1;
}
