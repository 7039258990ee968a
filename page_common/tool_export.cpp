// The export of tool curves: one CSV file per tool in the folder named after the chosen
// .cdx file. A file already there is kept, a cached curve is copied, everything else is read
// from the controller. The program window exports its image's tools, manual mode the
// process-monitor records.
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <vector>

#include "core/device/device_commands.h"
#include "core/files/app_dirs.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/text/user_seam.h"
#include "page_common/tool_views.h"
#include "procmon/pm_csv.h"
#include "state/shell_state.h"
#include "widgets/c_dlg_progressbar.h"
#include "widgets/c_qtableview_functab.h"

namespace {

const QString export_caption = QStringLiteral("Export tool data to file ...");
const QString export_filter = QStringLiteral("Tarvix tool data files (*.cdx)");

}  // namespace

void progress_label(const QString& text, bool visible)
{
    c_dlg_progressbar* p = g_objects().progress_dialog;
    if (!p || !p->l_FileInfo())
        return;
    p->l_FileInfo()->setText(text);
    p->l_FileInfo()->setVisible(visible);
}

bool ask_export_file_name(QWidget* parent, QString& name)
{
    program_document& doc = g_program_document();
    const QString start = doc.last_export_path.isEmpty() ? data_file(QStringLiteral("cd_data")) : doc.last_export_path;
    QString chosen = ui::current().save_file_name(parent, export_caption, start, export_filter);
    ui::current().process_events();
    if (chosen.isEmpty())
        return false;
    if (QFileInfo(chosen).suffix().isEmpty())
        chosen += QStringLiteral(".cdx");
    name = chosen;
    doc.last_export_path = chosen;
    return true;
}

bool export_tools_of_image(QWidget* parent, int source, bool all, c_qtableview_functab* view)
{
    if (!view)
        return false;
    tool_selection sel;
    collect_checked_tools(source, view, &sel);
    const QVector<int>& list = all ? sel.listed : sel.checked;
    // Nothing to export is no failure of the controller: say so instead of the read error.
    if (list.isEmpty()) {
        ui::information(QStringLiteral("There are no tools to export."));
        return false;
    }
    QString name;
    if (!ask_export_file_name(parent, name))
        return false;
    return export_tool_curves_to_csv(parent, source, list, name, list.size(),
                                     all ? sel.listedCount : sel.checkedCount);
}

bool export_tool_curves_to_csv(QWidget*, int source, const QVector<int>& indices, const QString& name, int toolCount,
                               long long dataCount)
{
    const QFileInfo chosen(name);
    const QString folder = chosen.absolutePath() + QLatin1Char('/') + chosen.completeBaseName();
    const QString cache = data_file(QStringLiteral("pm_cache"));
    ui::services& u = ui::current();

    bool ok = QDir().mkpath(folder);
    if (!ok)
        qDebug() << "export folder not made:" << folder;
    u.progress_begin(QStringLiteral("Reading process data from Tarvix. Please wait ..."));
    long long dataDone = 0;
    for (int i = 0; ok && i < indices.size(); ++i) {
        const uint8_t* record = tool_source_record(source, indices[i]);
        if (!record)
            continue;
        const bool isRecording = source == tool_source_records;
        // The one title function also makes the name safe, so no tool name leaves the folder.
        const QString file = pm_record_file_name(isRecording, record);
        const QString target = folder + QLatin1Char('/') + file;
        const int32_t count = std::max<int32_t>(0, le::i32(record + tr::data_cnt));
        if (QFileInfo::exists(target)) {
            // Exported before: kept as it is.
        } else if (QFileInfo::exists(cache + QLatin1Char('/') + file)) {
            ok = QFile::copy(cache + QLatin1Char('/') + file, target);
            if (!ok)
                qDebug() << "cached curve not copied:" << file;
        } else {
            progress_label(QString::asprintf("File: %s  filecount: %d remaining files: %d / data: %lld",
                                             qUtf8Printable(file), i, toolCount - i, dataCount - dataDone),
                           true);
            u.process_events();
            dev_progress progress;
            bool found = false;
            error_record err;
            std::vector<int16_t> values;
            ok = dev_read_value_list(isRecording, uint16_t(indices[i]), uint32_t(count), progress, found, values, err);
            // A tool the controller holds no curve for gets no file: an empty one would stand
            // for its curve in every later export.
            if (ok && found)
                ok = write_curve_csv(values, record, target);
            else if (ok)
                qDebug() << "no curve on the controller:" << file;
            if (!ok)
                qDebug() << "curve not exported:" << file << pm_csv_last_error();
        }
        dataDone += count;
        if (toolCount > 0)
            u.progress_set(int(qBound(1LL, 1 + 99LL * (i + 1) / toolCount, 100LL)));
    }
    progress_label(QString(), false);
    u.progress_end();
    u.process_events();
    if (ok)
        u.message(ui::box_kind::information, ui::title_information(),
                  QString::asprintf("Exporting files in directory\n %s\n successfull", qUtf8Printable(folder)));
    else
        ui::critical(QStringLiteral("Reading curve data from Tarvix failed!!"));
    return ok;
}
