#include <QLocale>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>
#include <limits>

#include "widgets/c_qlineedit_extend.h"
#include "widgets/fixed_point.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace {

// Sets the default locale for one test; the line edit takes its decimal point at construction.
class locale_scope {
public:
    explicit locale_scope(const QLocale& l) : saved_(QLocale()) { QLocale::setDefault(l); }
    ~locale_scope() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

const QLocale point_locale(QLocale::English, QLocale::UnitedStates);
const QLocale comma_locale(QLocale::German, QLocale::Germany);

class LineEdit : public ::testing::Test {
protected:
    void SetUp() override { ui_testing::test_app(); }
};

QStringList g_traces;
void keep_traces(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtDebugMsg)
        g_traces << text;
}

struct entry_case {
    const char* name;
    bool comma;
    double min, max;
    int decimals;
    const char* typed;
    int value;
    const char* text;
};

TEST_F(LineEdit, EntriesAreScaledClampedAndRewrittenInTheLocalesPoint)
{
    const entry_case cases[] = {
        {"comma typed, point locale", false, 0, 0, 2, "1,5", 150, "1.50"},
        {"point typed, point locale", false, 0, 0, 2, "1.5", 150, "1.50"},
        {"comma typed, comma locale", true, 0, 0, 2, "1,5", 150, "1,50"},
        {"point typed, comma locale", true, 0, 0, 2, "1.5", 150, "1,50"},
        {"negative fraction", false, 0, 0, 2, "-0.5", -50, "-0.50"},
        {"integer in a decimal field", false, 0, 0, 2, "7", 700, "7.00"},
        {"blanks around", false, 0, 0, 2, " 2.25 ", 225, "2.25"},
        {"no digit before the point", false, 0, 0, 2, ".5", 50, "0.50"},
        {"above the maximum clamps", false, -1.5, 2.5, 1, "3", 25, "2.5"},
        {"below the minimum clamps", false, -1.5, 2.5, 1, "-9", -15, "-1.5"},
        {"zero range is the full range", false, 0, 0, 2, "-21474836.48", INT32_MIN, "-21474836.48"},
        {"overflowing scale clamps, never wraps", false, 0, 0, 2, "99999999", INT32_MAX, "21474836.47"},
        // Digits beyond a 32-bit integer read as 0 before the range is applied.
        {"more than 32 bits reads as 0, then the range", false, 10, 25, 0, "3000000000", 10, "10"},
        {"more than 64 bits reads as 0", false, -5, 5, 0, "-99999999999999999999999", 0, "0"},
        {"32 bits counted over the point", false, 0, 0, 2, "21474836.48", 0, "0.00"},
        {"the largest integer", false, 0, 0, 0, "2147483647", INT32_MAX, "2147483647"},
        {"the smallest integer", false, 0, 0, 0, "-2147483648", INT32_MIN, "-2147483648"},
        {"extra fractional digits round", false, 0, 0, 2, "1.235", 124, "1.24"},
        {"extra fractional digits round, negative", false, 0, 0, 2, "-1.234", -123, "-1.23"},
        {"integer field", false, 0, 30000, 0, "12", 12, "12"},
        {"four decimals", true, 0, 0, 4, "0,0001", 1, "0,0001"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        locale_scope loc(c.comma ? comma_locale : point_locale);
        ui_testing::scripted_ui boxes;  // any box fails the case
        c_qlineedit_extend field;
        field.setRange(c.min, c.max, c.decimals);
        field.setText(QString::fromLatin1(c.typed));
        g_traces.clear();
        const QtMessageHandler before = qInstallMessageHandler(keep_traces);
        EXPECT_EQ(field.value(), c.value);
        qInstallMessageHandler(before);
        EXPECT_EQ(field.text(), QString::fromLatin1(c.text));
        EXPECT_EQ(g_traces, QStringList{QStringLiteral("valueIntF: %1").arg(c.value)});
    }
}

TEST_F(LineEdit, MalformedEntriesShowOneFormatErrorAndKeepValueAndText)
{
    for (const char* typed : {"1.2.3", "1,2.3", "abc", "1e5", "-", "inf"}) {
        SCOPED_TRACE(typed);
        locale_scope loc(point_locale);
        c_qlineedit_extend field;
        field.setRange(0, 0, 2);
        {
            ui_testing::scripted_ui boxes;
            field.setText("4.25");
            ASSERT_EQ(field.value(), 425);
        }
        ui_testing::scripted_ui boxes;
        boxes.expect_box(ui::box_kind::critical, "Error", "Format error!", ui::ok);
        field.setText(QString::fromLatin1(typed));
        EXPECT_EQ(field.value(), 425);
        EXPECT_EQ(field.text(), QString::fromLatin1(typed));
        ASSERT_EQ(boxes.prompts().size(), 1u);
        EXPECT_EQ(boxes.prompts()[0].buttons, int(ui::ok));
    }
}

TEST_F(LineEdit, EmptyFieldKeepsItsValueSilently)
{
    ui_testing::scripted_ui boxes;
    c_qlineedit_extend field;
    field.setRange(0, 0, 2);
    EXPECT_EQ(field.value(), 0);  // never read: 0
    field.setText("1.5");
    EXPECT_EQ(field.value(), 150);
    field.setText("");
    EXPECT_EQ(field.value(), 150);
    EXPECT_EQ(field.text(), "");
    EXPECT_DOUBLE_EQ(field.valueDouble(), 1.5);
}

TEST_F(LineEdit, SetValueShowsWithoutClampingUntilTheNextCheck)
{
    locale_scope loc(point_locale);
    ui_testing::scripted_ui boxes;
    c_qlineedit_extend field;
    field.setRange(-1.5, 2.5, 1);
    field.setValue(999);
    EXPECT_EQ(field.text(), "99.9");
    EXPECT_EQ(field.value(), 25);
    EXPECT_EQ(field.text(), "2.5");
}

TEST_F(LineEdit, ReturnAndLeavingTheFieldRunTheCheck)
{
    locale_scope loc(point_locale);
    ui_testing::scripted_ui boxes;
    c_qlineedit_extend field;
    field.setRange(-1.5, 2.5, 1);
    QTest::keyClicks(&field, "3");
    QTest::keyClick(&field, Qt::Key_Return);
    EXPECT_EQ(field.text(), "2.5");

    field.clear();
    QTest::keyClicks(&field, "-2");
    emit field.editingFinished();
    EXPECT_EQ(field.text(), "-1.5");
}

TEST_F(LineEdit, ValidatorFollowsTheDecimals)
{
    locale_scope loc(point_locale);
    c_qlineedit_extend field;
    field.setRange(0, 0, 0);
    QTest::keyClicks(&field, "1.5");
    EXPECT_EQ(field.text(), "15");  // an integer field refuses the point
    field.clear();
    field.setRange(0, 0, 2);
    QTest::keyClicks(&field, "1.555");
    EXPECT_EQ(field.text(), "1.55");  // no more digits than decimals
}

TEST(FixedPointText, ValueToTextPadsSignsAndUsesTheLocalePoint)
{
    struct row { int scaled, decimals; bool comma; const char* text; };
    const row rows[] = {
        {150, 2, false, "1.50"}, {5, 2, false, "0.05"},  {-5, 2, false, "-0.05"}, {0, 2, false, "0.00"},
        {150, 2, true, "1,50"},  {-42, 0, false, "-42"}, {INT32_MIN, 0, false, "-2147483648"},
        {INT32_MIN, 2, false, "-21474836.48"},           {12345, 4, false, "1.2345"},
    };
    for (const auto& r : rows) {
        locale_scope loc(r.comma ? comma_locale : point_locale);
        QString out = "stale";
        EXPECT_EQ(value_to_text(r.scaled, out, r.decimals), QString::fromLatin1(r.text)) << r.scaled;
        EXPECT_EQ(out, QString::fromLatin1(r.text));
    }
}

TEST(FixedPointText, Str2ValueParsesWithoutClampingAndReportsBadText)
{
    ui_testing::test_app();
    ui_testing::scripted_ui boxes;
    EXPECT_EQ(str2Value("", 2), 0);
    EXPECT_EQ(str2Value("1,5", 2), 150);
    EXPECT_EQ(str2Value(" -0.05 ", 2), -5);
    EXPECT_EQ(str2Value("99999999", 2), INT32_MAX);  // scaling saturates, never wraps
    EXPECT_EQ(str2Value("-99999999", 2), INT32_MIN);
    EXPECT_EQ(str2Value("99999999999", 2), 0);  // more digits than 32 bits hold
    EXPECT_EQ(str2Value("-99999999999", 0), 0);
    boxes.expect_box(ui::box_kind::critical, "Error", "Format error in str2Value!", ui::ok);
    EXPECT_EQ(str2Value("1.2.3", 2), 0);
}

}  // namespace
