// Saves a picture of the main window on its start page and of the shell's dialogs.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QStyleFactory>
#include <QTextEdit>
#include <cstdio>

#include "app/c_dlg_createclone.h"
#include "app/c_dlg_language.h"
#include "app/c_dlg_systeminfo.h"
#include "app/c_frm_main.h"
#include "app/c_qfiledialog_clone.h"
#include "app/clone_header.h"
#include "page_common/c_dlg_srcauswahl.h"

namespace {

bool save(QWidget* w, const QString& folder, const char* name)
{
    w->show();
    QApplication::processEvents();
    const QString file = folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(file));
    w->hide();
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const QString sample = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    bool ok = true;

    c_frm_main w;
    ok = save(&w, folder, "main_window") && ok;
    c_dlg_srcauswahl source;
    ok = save(&source, folder, "source_dialog") && ok;
    c_dlg_language language;
    ok = save(&language, folder, "language_dialog") && ok;
    c_dlg_systeminfo info;
    ok = save(&info, folder, "system_info_dialog") && ok;
    c_dlg_createclone create;
    ok = save(&create, folder, "create_clone_dialog") && ok;
    c_qfiledialog_clone files;
    files.set_preview(clone_preview, 100);
    if (!sample.isEmpty())
        emit files.currentChanged(sample);
    ok = save(&files, folder, "clone_file_dialog") && ok;
    return ok ? 0 : 1;
}
