// The process monitor page: what the controller stored on its memory card, the tool types,
// the stored curve of each tool ("Tools") and the ring of recordings ("Records"), with the
// parameters of the selected entries and CSV export into the current folder. The card is
// read in short open-read-close bursts.
#pragma once
#include <QItemSelection>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "procmon/sdcard_reader.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;
class c_gbw_pm_toolinfo;
class c_qlineedit_extend;
class c_qtablewidget_functab;

class c_dlgw_procmon : public QWidget {
    Q_OBJECT
public:
    explicit c_dlgw_procmon(QWidget* parent = nullptr);
    ~c_dlgw_procmon() override;

    // Finds and reads the card; false (after a box) leaves the main window where it is.
    bool openMonitor(QMainWindow* main_window);

    // For tests and the screenshot program.
    QTableView* tool_types_view() const { return tbv_ToolTypes; }
    QTableView* tools_view() const { return tbv_ToolParameters; }
    QTableView* recordings_view() const { return tbv_RecParameters; }
    const pm_card_node& current_tool() const { return currentTool_; }
    const pm_card_node& current_recording() const { return currentRecording_; }
    // The free bytes of the disk holding a folder, -1 when unknown; nullptr restores the
    // system's answer.
    void set_free_space_probe(std::function<qint64(const QString& folder)> probe);

signals:
    void sig_Return();

public slots:
    void on_bn_Close_clicked();
    void on_chb_FilterToolTypes_stateChanged(int state);
    void on_chb_FilterToolParameters_stateChanged(int state);
    void on_tbv_ToolTypes_SelectionChanged(const QItemSelection& current, const QItemSelection& previous);
    void on_tbv_ToolParameters_SelectionChanged(const QItemSelection& current, const QItemSelection& previous);
    void on_tbv_RecParameters_SelectionChanged(const QItemSelection& current, const QItemSelection& previous);
    void on_chb_ToolParSortEnable_stateChanged(int state);
    void on_chb_RecParSortEnable_stateChanged(int state);
    void on_bn_ToolTypeSave_clicked();
    void on_bn_ToolTypeSaveAll_clicked();
    void on_bn_ToolParSave_clicked();
    void on_bn_ToolParSaveAll_clicked();
    void on_bn_RecParSaveAll_clicked();
    void on_bn_RecParSave_clicked();
    void on_bn_ToolData_clicked();
    void on_bn_RecData_clicked();

private:
    enum class kind { tool_types, tools, recordings };
    using node_list = std::vector<pm_card_node>;

    void build_form();
    void createModels();
    void loadFromCard();
    // Opens the card for an action; false (after a box) when it is gone or changed since the
    // load.
    bool openCardOrComplain();
    static std::vector<uint8_t> read_card_identity();
    static void complain_card_changed();
    // One box for the header sectors one load or action could not read.
    static void report_unreadable(int count);
    void filterToolRecordsByType(bool on);
    void filterRecordingsByToolRecord(bool on);
    node_list collect_selected(kind k, QTableView* view, QAbstractItemModel* model, int indexColumn);
    bool collect_all(kind k, node_list& nodes);
    // The header sectors of the rows whose index cells are given; false after a box when one
    // differs from what the load read.
    bool read_nodes(kind k, const QList<QModelIndex>& indexCells, node_list& nodes);
    // False after a box when a header of the card differs from the one read before.
    static bool nodes_unchanged(kind k, const node_list& nodes);
    void show_tool_type(const pm_card_node& node);
    void save_nodes(kind k, const node_list& nodes, bool withProgress);
    void save_all(bool recordings);
    // Asks before a save of many files with the space they need, and again when the disk of
    // the current folder has less free space; false when the user says No.
    bool confirm_save(int count, uint64_t bytes, bool inKilobytes);
    void show_data(bool isRecording, const pm_card_node& node, int32_t count2, int32_t index2);
    // The tool whose Name, DN and PN equal the recording's, among all rows of the tools model.
    bool findMatchingToolRecord(const uint8_t* recordingSector, int32_t& toolIndex, int32_t& toolCount) const;

    QMainWindow* mainWindow_ = nullptr;
    bool loaded_ = false;
    std::function<qint64(const QString&)> freeSpace_;
    std::vector<uint8_t> cardIdentity_;  // read_card_identity at the load
    pm_card_node currentToolType_{};
    pm_card_node currentTool_{};
    pm_card_node currentRecording_{};
    node_list selectedToolTypes_, selectedTools_, selectedRecordings_;

    QStandardItemModel* toolTypesModel_ = nullptr;
    QStandardItemModel* toolsModel_ = nullptr;
    QSortFilterProxyModel* toolsProxy_ = nullptr;
    QStandardItemModel* recordingsModel_ = nullptr;
    QSortFilterProxyModel* recordingsProxy_ = nullptr;

    QTableView* tbv_ToolTypes = nullptr;
    QTableView* tbv_ToolParameters = nullptr;
    QTableView* tbv_RecParameters = nullptr;
    QCheckBox* chb_FilterToolTypes = nullptr;
    QCheckBox* chb_ToolParSortEnable = nullptr;
    QCheckBox* chb_FilterToolParameters = nullptr;
    QCheckBox* chb_RecParSortEnable = nullptr;
    QCheckBox* chb_AddToolData = nullptr;
    QPushButton* bn_ToolTypeSave = nullptr;
    QPushButton* bn_ToolTypeSaveAll = nullptr;
    QPushButton* bn_ToolParSave = nullptr;
    QPushButton* bn_ToolParSaveAll = nullptr;
    QPushButton* bn_ToolData = nullptr;
    QPushButton* bn_RecParSave = nullptr;
    QPushButton* bn_RecParSaveAll = nullptr;
    QPushButton* bn_RecData = nullptr;
    QPushButton* bn_Close = nullptr;
    QLineEdit* typeHex_[4] = {};  // X_Tol, Delay, Idle, Counter options
    c_qlineedit_extend* ebx_DelayTime = nullptr;
    c_qlineedit_extend* ebx_CounterLimit = nullptr;
    c_qtablewidget_functab* tbwx_ToolTypesInfoTolerance = nullptr;
    c_qtablewidget_functab* tbwx_ToolTypesInfoModePar = nullptr;
    c_gbw_pm_toolinfo* toolPanel_ = nullptr;
    c_gbw_pm_toolinfo* recordingPanel_ = nullptr;
};
