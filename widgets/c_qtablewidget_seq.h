// A read-only table that collects rows one after another (sequences and lists of manual
// mode and the scanner page).
#pragma once
#include <QStringList>
#include <QTableWidget>

class c_qtablewidget_seq : public QTableWidget {
    Q_OBJECT
public:
    explicit c_qtablewidget_seq(QWidget* parent = nullptr);

    // One column per label with the width of the same index (widths may be null).
    void setup_columns(QStringList* labels, const quint16* widths);
    void setup_columns(const QStringList& labels, const quint16* widths);
    // Missing texts leave empty cells, surplus texts are dropped; the new row becomes current.
    void append_row(QStringList* texts);
    void append_row(const QStringList& texts);
    void clear_rows();
    // A negative row selects the last one; a row past the end changes nothing.
    void select_row(int row);
};
