// Stand-in of the process-monitor page (stack index 4).
#pragma once
#include <QWidget>

class c_frm_main;

class c_dlgw_procmon : public QWidget {
    Q_OBJECT
public:
    explicit c_dlgw_procmon(QWidget* parent = nullptr);

    // Finds and opens the controller's memory card; false leaves the main window where it is.
    bool openMonitor(c_frm_main* main_window);

signals:
    void sig_Return();
};
