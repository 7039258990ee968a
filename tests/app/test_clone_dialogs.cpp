// The clone dialogs: the header parser behind the preview, the preview pane of the clone file
// dialog, and the comment dialog of Create Clone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QElapsedTimer>
#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "app/c_dlg_createclone.h"
#include "app/c_qfiledialog_clone.h"
#include "app/clone_header.h"
#include "support/test_support.h"
#include "ui_c_dlg_createclone.h"
#include "widgets/testing/test_app.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// The preview opens its file for reading and writing, as programming does: the tests give
// it a copy, so the source tree may be read-only.
QString fixture(const char* name)
{
    static testing_support::temp_dir copies;
    const QString source = QString::fromStdString(testing_support::source_dir()) + QStringLiteral("/tests/app/fixtures/") +
                           QLatin1String(name);
    const QString copy = QString::fromStdString(copies.file(name));
    if (!QFile::exists(copy))
        QFile::copy(source, copy);
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    return copy;
}

const QStringList sample_lines = {
    QStringLiteral("VF:F252_117.06.012.hex"), QStringLiteral("FI:Spindle 3 before service"),
    QStringLiteral("VH:01.34    07.08.2019"),  QStringLiteral("VB:1.05.00"),
    QStringLiteral("VA:00000024"),             QStringLiteral("VL:1.5"),
    QStringLiteral("DA:1234567"),
};

void make_header(uint8_t (&h)[clone_header_size], const char* text)
{
    std::memset(h, 0, sizeof h);
    std::memcpy(h, text, std::strlen(text));
}

TEST(clone_header, firmware_version_with_and_without_patch_and_build)
{
    struct row {
        const char* vf;
        int major, minor, patch, build;
    } rows[] = {
        {"VF:F252_117.hex\n", 1, 17, 0, 0},
        {"VF:F252_117.06.012.hex\n", 1, 17, 6, 12},
        {"VF:F251_205.10.123.hexx\n", 2, 5, 10, 123},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.vf);
        g_clone_header().reset();
        uint8_t h[clone_header_size];
        make_header(h, r.vf);
        QStringList lines;
        file_text_header(h, lines);
        ASSERT_EQ(lines.size(), 1);
        const clone_header_values& v = g_clone_header();
        EXPECT_EQ(v.vf_major, r.major);
        EXPECT_EQ(v.vf_minor, r.minor);
        EXPECT_EQ(v.vf_patch, r.patch);
        EXPECT_EQ(v.vf_build, r.build);
    }
}

TEST(clone_header, a_line_that_ends_at_or_beyond_the_header_end_is_not_listed)
{
    uint8_t h[clone_header_size];
    make_header(h, "VF:F252_117.hex\nFI:x\n");
    // A line that runs to the last byte without an end, then nothing.
    std::memset(h + 21, 'A', clone_header_size - 21);
    QStringList lines;
    file_text_header(h, lines);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("VF:F252_117.hex"), QStringLiteral("FI:x")}));

    h[clone_header_size - 1] = '\n';  // the last byte may end a line
    file_text_header(h, lines);
    EXPECT_EQ(lines.size(), 3);
}

TEST(clone_header, binary_fields_behind_the_text_add_no_lines)
{
    uint8_t h[clone_header_size];
    make_header(h, "VF:F252_117.hex\nFI:x\n");
    std::memcpy(h + 224, "CLNS", 4);
    h[228] = '\n';                      // a file size whose low byte is 10
    h[clone_header_size - 1] = '\n';    // and a checksum byte of 10
    QStringList lines;
    file_text_header(h, lines);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("VF:F252_117.hex"), QStringLiteral("FI:x")}));
}

TEST(clone_header, preview_of_a_clone_file_lists_its_header_and_keeps_the_values)
{
    g_clone_header().reset();
    QStringList lines;
    clone_preview(fixture("clone_sample.clns"), lines);
    EXPECT_EQ(lines, sample_lines);
    const clone_header_values& v = g_clone_header();
    EXPECT_EQ(v.va, 0x24u);
    EXPECT_EQ(v.da, QByteArray("1234567"));
    EXPECT_EQ(v.vb_major, 1);
    EXPECT_EQ(v.vb_minor, 5);
    EXPECT_EQ(v.vb_patch, 0);
    EXPECT_EQ(v.vf_patch, 6);
}

// Only a regular file is previewed: the others leave the list empty ("cannot open") at once,
// a FIFO without a writer included.
TEST(clone_header, preview_takes_regular_files_only)
{
    testing_support::temp_dir dir;
    struct row {
        const char* name;
        std::function<bool(const std::string& path)> make;
        bool lines;
    };
    const row rows[] = {
        {"regular file", [](const std::string& p) { return QFile::copy(fixture("clone_sample.clns"), QString::fromStdString(p)); }, true},
        {"FIFO without a writer", [](const std::string& p) { return mkfifo(p.c_str(), 0644) == 0; }, false},
        {"/dev/zero", [](const std::string& p) { return symlink("/dev/zero", p.c_str()) == 0; }, false},
        {"directory", [](const std::string& p) { return mkdir(p.c_str(), 0755) == 0; }, false},
        {"dangling link", [](const std::string& p) { return symlink("nowhere", p.c_str()) == 0; }, false},
        {"symlink loop", [](const std::string& p) { return symlink(p.c_str(), p.c_str()) == 0; }, false},
    };
    int i = 0;
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string path = dir.file("c" + std::to_string(i++) + ".clns");
        ASSERT_TRUE(r.make(path));
        QElapsedTimer took;
        took.start();
        QStringList lines;
        clone_preview(QString::fromStdString(path), lines);
        EXPECT_LT(took.elapsed(), 1000);
        EXPECT_EQ(lines.isEmpty(), !r.lines) << lines.join(QLatin1Char('|')).toStdString();
    }
}

struct clone_file_dialog : ui_testing::app_first, ::testing::Test {
    c_qfiledialog_clone dialog;
    testing_support::temp_dir tmp;

    QString pane() const { return dialog.preview_pane()->toPlainText(); }
};

TEST_F(clone_file_dialog, preview_follows_the_file_under_the_cursor)
{
    dialog.set_preview(clone_preview, 100);
    emit dialog.currentChanged(fixture("clone_sample.clns"));
    EXPECT_EQ(pane(), sample_lines.join(QLatin1Char('\n')));
    EXPECT_EQ(g_clone_header().va, 0x24u);

    emit dialog.currentChanged(fixture("not_a_clone.clns"));
    EXPECT_EQ(pane(), QStringLiteral("Format error in selected clone file!"));
    EXPECT_EQ(g_clone_header().va, 0x20u);

    // A file shorter than a header is no clone file either.
    const QString shortFile = QString::fromStdString(tmp.file("short.clns"));
    {
        QFile f(shortFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("VF:F252_117.hex\n");
    }
    emit dialog.currentChanged(shortFile);
    EXPECT_EQ(pane(), QStringLiteral("Format error in selected clone file!"));

    // A directory or a file that is not there: nothing, and nothing is created.
    emit dialog.currentChanged(QString::fromStdString(tmp.path()));
    EXPECT_EQ(pane(), QString());
    emit dialog.currentChanged(fixture("clone_sample.clns"));
    const QString missing = QString::fromStdString(tmp.file("missing.clns"));
    emit dialog.currentChanged(missing);
    EXPECT_EQ(pane(), QString());
    EXPECT_FALSE(QFile::exists(missing));
}

TEST_F(clone_file_dialog, without_a_callback_the_pane_shows_the_path)
{
    emit dialog.currentChanged(QStringLiteral("/some/where.clns"));
    EXPECT_EQ(pane(), QStringLiteral("/some/where.clns"));
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog.viewMode(), QFileDialog::Detail);
    EXPECT_TRUE(dialog.preview_pane()->styleSheet().contains(QStringLiteral("rgb(150, 255, 150)")));
}

struct create_clone_dialog : ui_testing::app_first, ::testing::Test {
    c_dlg_createclone dialog;
};

TEST_F(create_clone_dialog, form_and_buttons)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Dialog"));
    EXPECT_EQ(dialog.form()->label->text(), QStringLiteral("Comment (max 80 ASCII-Char!!):"));
    EXPECT_EQ(dialog.form()->l_Hint->text(), QStringLiteral("TextLabel"));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);
    dialog.form()->bn_Yes->click();
    EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
    dialog.form()->bn_No->click();
    EXPECT_EQ(dialog.result(), int(QDialog::Rejected));
}

TEST_F(create_clone_dialog, the_comment_stays_one_line_of_at_most_80_ascii_characters)
{
    QLineEdit* e = dialog.form()->eb_Comment;
    struct row {
        QString typed;
        QString kept;
    } rows[] = {
        {QStringLiteral("Spindle 3"), QStringLiteral("Spindle 3")},
        {QString(100, QLatin1Char('x')), QString(80, QLatin1Char('x'))},
        {QStringLiteral("a\nb"), QStringLiteral("ab")},
        {QStringLiteral("Gr\u00fc\u00dfe"), QStringLiteral("Gre")},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.typed.toStdString());
        e->clear();
        e->setFocus();
        for (QChar c : r.typed) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(e, &press);
        }
        EXPECT_EQ(e->text(), r.kept);
    }
}

}  // namespace
