// The program window with its element dialogs on a default working image, for the dialog
// and function-table tests: functions are put in use by number, boxes and modal runs are
// scripted.
#pragma once
#include <gtest/gtest.h>

#include <QDialog>
#include <initializer_list>
#include <memory>

#include "core/device/command_mailbox.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/element_buffers.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_program.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace dialogs_testing {

inline const QString save_question = QStringLiteral("Save programmed data in function table?");

struct dialogs_test : ui_testing::app_first, ::testing::Test {
    void SetUp() override
    {
        reset();
        reset_config_image(g_config_image());
        page = std::make_unique<c_dlgw_program>();
        f = page->form();
    }
    void TearDown() override
    {
        page.reset();
        reset();
    }
    static void reset()
    {
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        program_reset_for_tests();
        program_dialogs_reset_for_tests();
        queue_clear();
    }
    // Functions in use with their number as name, shown in the table.
    void use(std::initializer_list<uint32_t> numbers)
    {
        for (uint32_t n : numbers)
            put(n, default_function());
        f->tbwx_FuncTab->refillRows(0);
    }
    void use_range(uint32_t from, uint32_t to)
    {
        for (uint32_t n = from; n < to; ++n)
            put(n, default_function());
        f->tbwx_FuncTab->refillRows(0);
    }
    static function_record_bytes default_function()
    {
        function_record_bytes r = function_record_clear(g_config_image().header());
        function_record(r.data()).set_in_use(true);
        return r;
    }
    static void put(uint32_t n, const function_record_bytes& r)
    {
        std::copy(r.begin(), r.end(), g_config_image().function(n).data());
    }
    // A cluster of four at `base` made of default records.
    void use_cluster(uint32_t base)
    {
        for (uint32_t m = 0; m < 4; ++m) {
            function_record_bytes r = default_function();
            function_record(r.data()).set_field(fr::flags, fr::flag_cluster | int32_t(m << 2));
            put(base + m, r);
        }
        f->tbwx_FuncTab->refillRows(0);
    }

    ui_testing::scripted_ui script;
    std::unique_ptr<c_dlgw_program> page;
    Ui::c_dlgw_program* f = nullptr;
};

}  // namespace dialogs_testing
