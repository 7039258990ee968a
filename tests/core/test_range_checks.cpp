#include <gtest/gtest.h>

#include <QStringList>
#include <QtGlobal>
#include <functional>

#include "core/image/core_state.h"
#include "core/image/range_checks.h"
#include "core/text/error_texts.h"
#include "support/test_support.h"
#include "tests/core/core_fixture.h"

namespace {

QStringList g_traces;
void keep_traces(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtDebugMsg)
        g_traces << text;
}

class RangeChecks : public core_test {
public:
    void SetUp() override
    {
        core_test::SetUp();
        reset_config_image(image);
    }

    void set_h(uint32_t off, int32_t v) { image.header().set_field(off, v); }
    void use(uint32_t n)
    {
        const function_record_bytes def = function_record_clear(image.header());
        image.function(n).assign(const_byte_view(def.data(), def.size()));
        image.function(n).set_in_use(true);
    }
    void set_f(uint32_t n, uint32_t off, int32_t v) { image.function(n).set_field(off, v); }

    config_image image;
};

TEST_F(RangeChecks, CodesInTheirOrder)
{
    struct row {
        const char* what;
        std::function<void(RangeChecks&)> change;
        uint32_t code;
        uint8_t mode_flag;
        QStringList traces = {};  // the developer traces the check writes
    };
    const QString default_out = QStringLiteral("Default_Out_Funktion -Fehler: %1");
    const QStringList outfunc{QStringLiteral("OUTFUNC_Error 0x08X")};
    const row rows[] = {
        {"defaults pass", [](RangeChecks&) {}, 0, 0},
        {"area-relative bit 1", [](RangeChecks& t) { t.set_h(52, 2); }, 1, 0},
        {"area-relative bit 0 only", [](RangeChecks& t) { t.set_h(52, 1); }, 0, 0},
        {"default mode 9", [](RangeChecks& t) { t.set_h(56, 9); }, 2, 0},
        {"negative modes pass", [](RangeChecks& t) { t.set_h(56, -5); t.set_h(60, -1); }, 0, 0},
        {"default back mode 5", [](RangeChecks& t) { t.set_h(60, 5); }, 3, 0},
        {"default output 1..4 at 17", [](RangeChecks& t) { t.set_h(96, 17); t.set_h(84, 16); }, 13, 0, {default_out.arg(13)}},
        {"default output 2 at 17", [](RangeChecks& t) { t.set_h(88, 17); }, 11, 0, {default_out.arg(11)}},
        {"variant bit 4", [](RangeChecks& t) { t.set_h(116, 0x10); }, 4, 0},
        {"variant bits 0..3", [](RangeChecks& t) { t.set_h(116, 0xF); }, 0, 0},
        {"area flag 2", [](RangeChecks& t) { t.set_h(132, 2); }, 5, 0},
        {"PROFIBUS bit 16", [](RangeChecks& t) { t.set_h(156, 0x10000); }, 6, 0},
        {"DeviceNet bit 15", [](RangeChecks& t) { t.set_h(196, 0x8000); }, 7, 0},
        {"DeviceNet bit 14", [](RangeChecks& t) { t.set_h(196, 0x4000); }, 0, 0},
        {"function 0 back mode", [](RangeChecks& t) { t.use(0); t.set_f(0, fr::back_mode, 5); }, 0x00010001, 0, outfunc},
        {"function 0 output 3", [](RangeChecks& t) { t.use(0); t.set_f(0, fr::out3, 17); }, 0x00010004, 0, outfunc},
        {"function 3 KO back mode", [](RangeChecks& t) { t.use(3); t.set_f(3, fr::ko_back_mode, 7); }, 0x00040006, 0, outfunc},
        {"function 511 mode", [](RangeChecks& t) { t.use(511); t.set_f(511, fr::mode, 9); }, 0x02000008, 0},
        {"measuring mode", [](RangeChecks& t) { t.use(2); t.set_f(2, fr::mode, 128); }, 0x00030008, 1},
        {"back mode before mode", [](RangeChecks& t) { t.use(2); t.set_f(2, fr::mode, 128); t.set_f(2, fr::back_mode, 9); }, 0x00030001, 0, outfunc},
        {"header before functions", [](RangeChecks& t) { t.set_h(56, 9); t.use(0); t.set_f(0, fr::mode, 200); }, 2, 0},
        {"free function never tested", [](RangeChecks& t) { t.set_f(5, fr::mode, 200); t.set_f(5, fr::out1, 99); }, 0, 0},
        {"lower function first", [](RangeChecks& t) { t.use(9); t.set_f(9, fr::out1, 20); t.use(4); t.set_f(4, fr::out4, 20); }, 0x00050005, 0, outfunc},
    };
    for (const auto& r : rows) {
        reset_config_image(image);
        r.change(*this);
        uint8_t flag = 0xAA;
        g_traces.clear();
        const QtMessageHandler before = qInstallMessageHandler(keep_traces);
        EXPECT_EQ(configuration_range_code(image, &flag), r.code) << r.what;
        qInstallMessageHandler(before);
        EXPECT_EQ(flag, r.mode_flag) << r.what;
        EXPECT_EQ(g_traces, r.traces) << r.what;
    }
}

TEST_F(RangeChecks, FailureIsShownWithItsCode)
{
    testing_support::recording_ui fake;
    uint8_t flag = 0;
    EXPECT_TRUE(check_configuration_ranges(image, flag));
    EXPECT_TRUE(fake.prompts().empty());
    use(511);
    set_f(511, fr::mode, 9);
    EXPECT_FALSE(check_configuration_ranges(image, flag));
    ASSERT_EQ(fake.prompts().size(), 1u);
    EXPECT_EQ(fake.prompts()[0].kind, ui::box_kind::critical);
    EXPECT_EQ(fake.prompts()[0].title, "ERROR");
    EXPECT_EQ(fake.prompts()[0].text, "Host Error: Data is out of range! ErrorCode: 02000008H");
}

TEST_F(RangeChecks, LegacyFirmwareRanges)
{
    error_record e;
    EXPECT_TRUE(check_legacy_firmware_ranges(image, false, e));
    EXPECT_EQ(e.code, 0);

    struct row {
        const char* what;
        std::function<void(RangeChecks&)> change;
        bool settings_only;
        int32_t code, index, argument, function;
    };
    const row rows[] = {
        {"default mode 5", [](RangeChecks& t) { t.set_h(56, 5); }, false, 30, 13, 0, -1},
        {"default output 3 at 8", [](RangeChecks& t) { t.set_h(92, 8); }, true, 30, 22, 0, -1},
        {"settings only skip functions", [](RangeChecks& t) { t.use(0); t.set_f(0, fr::out3, 8); }, true, 0, -1, 0, -1},
        {"function 0 output 3 at 8", [](RangeChecks& t) { t.use(0); t.set_f(0, fr::out3, 8); }, false, 30, -1, 22, 0},
        {"function 7 mode 9", [](RangeChecks& t) { t.use(7); t.set_f(7, fr::mode, 9); t.set_f(7, fr::out1, 8); }, false, 30, -1, 9, 7},
        {"free function ignored", [](RangeChecks& t) { t.set_f(7, fr::mode, 9); }, false, 0, -1, 0, -1},
        {"negative passes", [](RangeChecks& t) { t.set_h(56, -1); t.use(1); t.set_f(1, fr::out4, -3); }, false, 0, -1, 0, -1},
    };
    for (const auto& r : rows) {
        reset_config_image(image);
        r.change(*this);
        // a stale position from an earlier error must not survive
        g_parameter_error().parameter_error_index = 40;
        g_parameter_error().parameter_error_function = 3;
        error_record rec;
        rec.set(err_type_host, 99, 1, err_arg_twice, 1234);
        EXPECT_EQ(check_legacy_firmware_ranges(image, r.settings_only, rec), r.code == 0) << r.what;
        EXPECT_EQ(rec.code, r.code) << r.what;
        EXPECT_EQ(rec.type, err_type_device) << r.what;
        EXPECT_EQ(rec.severity, err_severity_error) << r.what;
        EXPECT_EQ(g_parameter_error().parameter_error_index, r.index) << r.what;
        EXPECT_EQ(g_parameter_error().parameter_error_function, r.function) << r.what;
        if (r.argument) {
            EXPECT_EQ(rec.argument, r.argument) << r.what;
            EXPECT_EQ(rec.argument_kind, err_arg_once) << r.what;
        }
    }
}

TEST_F(RangeChecks, LegacyFailureNamesTheFunctionField)
{
    // stale settings position from an earlier error
    g_parameter_error().parameter_error_index = 5;
    use(0);
    set_f(0, fr::out3, 8);
    error_record e;
    ASSERT_FALSE(check_legacy_firmware_ranges(image, false, e));
    EXPECT_EQ(error_record_text(e),
              " Error Tarvix: Parameter Out3 Function is out of range! Please update to current FW. FuncNo: 000 ");
}

}  // namespace
