// The file dialog of Program Clone: Qt's own file dialog with a preview pane below that shows
// what a callback makes of the file under the cursor.
#pragma once
#include <QFileDialog>
#include <QStringList>

class QGridLayout;
class QTextEdit;

class c_qfiledialog_clone : public QFileDialog {
    Q_OBJECT
public:
    using preview_fn = void (*)(const QString& path, QStringList& lines);

    explicit c_qfiledialog_clone(QWidget* parent = nullptr);

    // Installs the callback; a minimum height other than 0 becomes the pane's row height.
    void set_preview(preview_fn callback, int min_height);
    QTextEdit* preview_pane() const { return preview_; }

public slots:
    void on_currentChanged(const QString& currentEntryP);

private:
    QTextEdit* preview_;
    QGridLayout* grid_;
    int previewRow_;
    preview_fn callback_ = nullptr;
};
