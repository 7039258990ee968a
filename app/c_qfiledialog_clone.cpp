#include "app/c_qfiledialog_clone.h"

#include <QGridLayout>
#include <QTextCursor>
#include <QTextEdit>

c_qfiledialog_clone::c_qfiledialog_clone(QWidget* parent) : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setViewMode(QFileDialog::Detail);
    preview_ = new QTextEdit(this);
    preview_->setObjectName(QStringLiteral("te_Preview"));
    preview_->setReadOnly(true);
    preview_->setStyleSheet(QStringLiteral("QTextEdit{background: rgb(150, 255, 150);}"));
    grid_ = qobject_cast<QGridLayout*>(layout());
    previewRow_ = grid_ ? grid_->rowCount() : 0;
    if (grid_) {
        grid_->addWidget(preview_, previewRow_, 0, 1, grid_->columnCount());
        grid_->setRowMinimumHeight(previewRow_, 100);
        grid_->setRowStretch(previewRow_, 0);
    }
    connect(this, &QFileDialog::currentChanged, this, &c_qfiledialog_clone::on_currentChanged);
}

void c_qfiledialog_clone::set_preview(preview_fn callback, int min_height)
{
    callback_ = callback;
    if (min_height != 0 && grid_)
        grid_->setRowMinimumHeight(previewRow_, min_height);
}

void c_qfiledialog_clone::on_currentChanged(const QString& currentEntryP)
{
    preview_->clear();
    QStringList lines;
    if (callback_)
        callback_(currentEntryP, lines);
    else
        lines.append(currentEntryP);
    for (const QString& line : lines)
        preview_->append(line);
    preview_->moveCursor(QTextCursor::Start);  // the firmware line first
}
