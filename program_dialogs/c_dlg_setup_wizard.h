// What the three set-up wizards share: the teach through the program page's test scan, the
// taught angles, inputs and results of the form, Calculate, Clear, and the close test that
// stores the vertical distance, the reference angle and the reference tool length into the
// working header (fields 120, 124, 128). Each wizard is made once and reused; between uses
// it keeps its inputs.
#pragma once
#include <QDialog>
#include <QVector>
#include <cstdint>
#include <functional>

#include "program_dialogs/close_rule.h"
#include "program_dialogs/setup_geometry.h"

class QAbstractButton;
class QLabel;
class QPushButton;
class c_qlineedit_extend;

class c_dlg_setup_wizard : public QDialog {
    Q_OBJECT
public:
    // Queues the page's test scan with the teach code that brings its answer back here.
    using test_scan_call = std::function<void(int32_t teach_code)>;

    // Loads the set-up from the working header, resets the close result, takes the snapshot.
    void init_dialog();
    // Inputs that are set-up values reset, taught angles and results emptied.
    void clear();
    // With `all`: every input and taught angle is there; without: the taught angles are.
    bool is_ready(bool all);
    // A taught angle from the status replies; `field` is the low part of the teach code.
    void take_teach(int field, int32_t angle);

    int close_result() const { return closeRule_.code(); }
    // The three results as the close test would store them; false when one is missing.
    bool results(setup_result& out);

public slots:
    void on_bn_Close_clicked();
    void on_bn_Cancel_clicked();
    void on_bn_Clear_clicked();
    void on_bn_Calculate_clicked();
    void on_bn_SU_Teach1_clicked();

protected:
    enum class method { one_tool_known, one_tool_distances, three_tools };

    // The widgets of the form, found after setupUi.
    struct wizard_widgets {
        QVector<c_qlineedit_extend*> inputs;  // in the order the routine takes them
        QVector<QLabel*> angles;              // taught angles
        QVector<QAbstractButton*> teach;      // one per taught angle
        QLabel* ref_angle = nullptr;
        QLabel* vert_distance = nullptr;      // results of methods 2 and 3 only
        QLabel* ref_tool_length = nullptr;
        QLabel* picture = nullptr;
        QLabel* hint = nullptr;
        QPushButton* calculate = nullptr;
    };

    c_dlg_setup_wizard(method m, test_scan_call test_scan, QWidget* parent);
    // Colours, ranges, the hint and the picture (a resource path); connects the further
    // teach buttons.
    void attach(const wizard_widgets& f, const QString& picture);

    void closeEvent(QCloseEvent* event) override;

private:
    // The close test before the question: the form still shows what it showed at opening.
    bool unchanged_since_opening();
    bool results_complete();
    void store(const setup_result& r);
    int32_t teach_code(int index) const;
    // Method 1 takes its vertical distance and reference tool length from the inputs.
    bool known_geometry() const { return method_ == method::one_tool_known; }

    method method_;
    test_scan_call testScan_;
    wizard_widgets f_;
    close_rule closeRule_{close_rule::question_setup};
    // Inputs and header fields 120, 124, 128 when the dialog was opened.
    QVector<int32_t> snapshotInputs_;
    setup_result snapshotHeader_;
    bool taughtSinceCalculation_ = false;
};

// A value in hundredths shown with two decimals, and back; an empty label holds none.
QString setup_value_text(int32_t hundredths);
bool setup_label_value(const QLabel* label, int32_t& hundredths);
