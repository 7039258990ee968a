// Clone files as a whole: the check, the header that creation writes, the finishing
// signature and checksum, the old comment of a file about to be replaced, and the append.
#include <gtest/gtest.h>

#include <QFile>
#include <cstring>

#include "app/clone_file.h"
#include "app/clone_firmware_check.h"
#include "support/test_support.h"

namespace {

clone_header_source sample_source()
{
    clone_header_source s;
    s.article = "5206252";
    s.da = "5206252";
    s.fw_major = 1, s.fw_minor = 17, s.fw_patch = 6, s.fw_build = 12;
    s.comment = QStringLiteral("Spindle 3");
    s.fld_major = 1, s.fld_minor = 5, s.fld_patch = 3;
    s.va = 0x24;
    s.logic_major = 1, s.logic_minor = 5;
    return s;
}

// A finished clone file of the header and `body` bytes of a pattern behind it.
QString write_clone(testing_support::temp_dir& dir, const char* name, qint64 body)
{
    const QString path = QString::fromStdString(dir.file(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadWrite | QIODevice::Truncate));
    f.write(build_clone_header(sample_source()));
    QByteArray b(int(body), '\0');
    for (int i = 0; i < b.size(); ++i)
        b[i] = char(i * 7 + 3);
    f.write(b);
    EXPECT_TRUE(finish_clone_file(f));
    return path;
}

void change_byte(const QString& path, qint64 at, int delta)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(at);
    char c = 0;
    f.getChar(&c);
    c = char(uint8_t(c) + delta);
    f.seek(at);
    f.putChar(c);
}

bool valid(const QString& path)
{
    uint8_t h[clone_header_size];
    return check_clone_file(path, h);
}

TEST(clone_file, check)
{
    testing_support::temp_dir dir;
    const QString good = write_clone(dir, "good.clns", 1000);
    EXPECT_TRUE(valid(good));

    // A read-only clone file is still one (programming only reads it).
    const QString ro = write_clone(dir, "ro.clns", 10);
    QFile::setPermissions(ro, QFile::ReadOwner);
    EXPECT_TRUE(valid(ro));

    // A header alone is no clone file, however valid it looks.
    const QString header_only = write_clone(dir, "header_only.clns", 0);
    EXPECT_FALSE(valid(header_only));

    struct row {
        const char* name;
        qint64 at;
        int delta;
    } broken[] = {
        {"byte after the header", 700, 1},
        {"last byte", 256 + 999, -3},
        {"first byte (no VF)", 0, 1},
        {"signature", 225, 1},
        {"length", 228, 1},
    };
    for (const row& r : broken) {
        SCOPED_TRACE(r.name);
        const QString path = write_clone(dir, "broken.clns", 1000);
        change_byte(path, r.at, r.delta);
        EXPECT_FALSE(valid(path));
        // Only the sum is off: the checksum byte mends it.
        if (r.at >= clone_header_size) {
            change_byte(path, clone_layout::checksum, -r.delta);
            EXPECT_TRUE(valid(path));
        }
    }
    EXPECT_FALSE(valid(QString::fromStdString(dir.file("missing.clns"))));
    EXPECT_FALSE(valid(QString::fromStdString(dir.path())));
}

TEST(clone_file, check_hands_out_the_header_read_valid_or_not)
{
    testing_support::temp_dir dir;
    const QString path = write_clone(dir, "a.clns", 100);
    change_byte(path, 300, 1);
    uint8_t h[clone_header_size] = {};
    EXPECT_FALSE(check_clone_file(path, h));
    EXPECT_EQ(std::memcmp(h, "VF:F252_117.06.012.hex\n", 23), 0);
}

TEST(clone_file, header_lines_read_back)
{
    clone_header_source s = sample_source();
    const QByteArray h = build_clone_header(s);
    ASSERT_EQ(h.size(), clone_header_size);
    QStringList lines;
    g_clone_header().reset();
    file_text_header(reinterpret_cast<const uint8_t*>(h.constData()), lines);
    EXPECT_EQ(lines, (QStringList{"VF:F252_117.06.012.hex", "FI:Spindle 3", "VH:01.34    07.08.2019", "VB:1.05.03",
                                  "VA:00000024", "VL:1.5", "DA:5206252"}));
    const clone_header_values& v = g_clone_header();
    EXPECT_EQ(v.va, 0x24u);
    EXPECT_EQ(v.da, QByteArray("5206252"));
    EXPECT_EQ(v.vb_patch, 3);
    EXPECT_EQ(v.vf_build, 12);
}

// Whatever the comment holds, the lines end below the signature and no line is injected.
TEST(clone_file, the_comment_cannot_break_the_header)
{
    const QString comments[] = {
        QString(80, QLatin1Char('c')),
        QString(300, QLatin1Char('c')),
        QStringLiteral("x\nVA:00000010\nDA:1"),
        QStringLiteral("Gr\u00fc\u00dfe\r\t"),
    };
    for (const QString& c : comments) {
        SCOPED_TRACE(c.toStdString());
        clone_header_source s = sample_source();
        s.comment = c;
        s.article = s.da = QByteArray(40, '9');  // a controller text longer than any article number
        const QByteArray h = build_clone_header(s);
        ASSERT_EQ(h.size(), clone_header_size);
        const int end = h.lastIndexOf('\n');
        EXPECT_LT(end, clone_layout::text_limit);
        EXPECT_EQ(h.count('\n'), 7);
        EXPECT_LE(h.indexOf("\nVH:") - h.indexOf("FI:") - 3, clone_layout::comment_limit);
    }
}

TEST(clone_file, component_names)
{
    struct row {
        const char* article;
        int major, minor, patch, build;
        int fld_patch;
        bool redesign;
        const char* firmware;
        const char* loader;
    } rows[] = {
        {"5206252", 1, 17, 6, 12, 3, false, "F252_117.06.012.hex", "tvx_firmLoad/F251_10503.bin"},
        {"5206252", 1, 17, 0, 99, 0, false, "F252_117.hex", "tvx_firmLoad/F251_105.bin"},
        {"4418356", 2, 1, 10, 234, 1, true, "F356_201.10.234.hexx", "tvx_firmLoadx/F356_10501.binx"},
        {"252", 1, 20, 1, 1, 0, false, "F252_120.01.001.hex", "tvx_firmLoad/F251_105.bin"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.firmware);
        clone_header_source s = sample_source();
        s.article = r.article;
        s.fw_major = r.major, s.fw_minor = r.minor, s.fw_patch = r.patch, s.fw_build = r.build;
        s.fld_patch = r.fld_patch;
        s.redesign = r.redesign;
        EXPECT_EQ(clone_firmware_name(s), QByteArray(r.firmware));
        EXPECT_EQ(clone_loader_name(s), QString::fromLatin1(r.loader));
    }
}

TEST(clone_file, old_comment_of_an_existing_file)
{
    auto header = [](const QByteArray& text) {
        QByteArray h(clone_header_size, '\0');
        std::memcpy(h.data(), text.constData(), size_t(qMin(text.size(), clone_header_size)));
        return h;
    };
    struct row {
        const char* name;
        QByteArray header;
        qint64 bytes;
        QByteArray comment;
    } rows[] = {
        {"comment", header("VF:F252_117.hex\nFI:old one\nVH:x\n"), 256, "FI:old one"},
        {"second line is no comment", header("VF:F252_117.hex\nVH:x\nFI:y\n"), 256, "FI:"},
        {"bare FI", header("VF:F252_117.hex\nFI\nVH:x\n"), 256, "FI"},
        {"short file", header("VF:F252_117.hex\nFI:old\n"), 200, "FI:"},
        {"no VF", header("XX:F252_117.hex\nFI:old\n"), 256, "FI:"},
        {"first line without an end in 128 bytes", header("VF:" + QByteArray(130, 'a') + "\nFI:old\n"), 256, "FI:"},
        {"second line without an end in 128 bytes", header("VF:a\nFI:" + QByteArray(130, 'b') + "\n"), 256, "FI:"},
        {"second line of 127 bytes", header("VF:a\nFI:" + QByteArray(124, 'b') + "\n"), 256, "FI:" + QByteArray(124, 'b')},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(old_comment_line(reinterpret_cast<const uint8_t*>(r.header.constData()), r.bytes), r.comment);
    }
}

TEST(clone_file, append_copies_whole_files)
{
    testing_support::temp_dir dir;
    const QString part = QString::fromStdString(dir.file("part.bin"));
    QFile p(part);
    ASSERT_TRUE(p.open(QIODevice::WriteOnly));
    const QByteArray content(100000, 'p');
    p.write(content);
    p.close();

    QFile out(QString::fromStdString(dir.file("out.clns")));
    ASSERT_TRUE(out.open(QIODevice::ReadWrite | QIODevice::Truncate));
    out.write("head");
    EXPECT_TRUE(append_clone_part(out, part));
    EXPECT_FALSE(append_clone_part(out, QString::fromStdString(dir.file("missing.bin"))));
    EXPECT_FALSE(append_clone_part(out, QString::fromStdString(dir.path())));
    out.seek(0);
    EXPECT_EQ(out.readAll(), "head" + content);
}

}  // namespace

namespace {

// One Intel-HEX record with its checksum, upper case, without a line end.
QByteArray hex_record(int type, int address, const QByteArray& data)
{
    QByteArray bytes;
    bytes += char(data.size());
    bytes += char(address >> 8);
    bytes += char(address & 0xFF);
    bytes += char(type);
    bytes += data;
    uint8_t sum = 0;
    for (char b : bytes)
        sum = uint8_t(sum + uint8_t(b));
    bytes += char(uint8_t(0x100 - sum));
    return ":" + bytes.toHex().toUpper();
}

}  // namespace

// The firmware part of a clone file must read as Intel HEX up to its end record.
TEST(clone_file, firmware_part_reads_as_intel_hex_to_its_end_record)
{
    const QByteArray upper = hex_record(4, 0, QByteArray::fromHex("0001"));
    const QByteArray data = hex_record(0, 0x0100, QByteArray::fromHex("00112233445566778899AABBCCDDEEFF"));
    const QByteArray end = hex_record(1, 0, QByteArray());
    const QByteArray good = upper + "\r\n" + data + "\r\n" + end + "\r\n";
    QByteArray bad_sum = data;
    bad_sum[bad_sum.size() - 1] = bad_sum.endsWith('0') ? '1' : '0';
    QByteArray bad_digit = data;
    bad_digit[12] = 'G';
    struct row {
        const char* name;
        QByteArray firmware;
        bool ok;
    } rows[] = {
        {"whole file", good, true},
        {"line feeds only, lower case, blank lines, no last line end", upper.toLower() + "\n\n" + data + "\n  \n" + end, true},
        {"what follows the end record is not read", good + "garbage\n", true},
        {"only the end record", end + "\r\n", true},
        {"carriage returns alone end the lines", upper + "\r" + data + "\r" + end + "\r", true},
        {"empty", QByteArray(), false},
        {"cut inside a record", good.left(good.indexOf(end) - 9), false},
        {"cut after a whole record", upper + "\r\n" + data + "\r\n", false},
        {"wrong checksum", upper + "\r\n" + bad_sum + "\r\n" + end + "\r\n", false},
        {"not a hex digit", upper + "\r\n" + bad_digit + "\r\n" + end + "\r\n", false},
        {"count larger than the line", ":20" + data.mid(3) + "\r\n" + end + "\r\n", false},
        {"odd number of digits", data + "0\r\n" + end + "\r\n", false},
        {"no mark", data.mid(1) + "\r\n" + end + "\r\n", false},
        {"unknown type", hex_record(6, 0, QByteArray(2, '\0')) + "\n" + end + "\n", false},
        {"end record with data", hex_record(1, 0, QByteArray(1, '\x01')) + "\n", false},
        {"upper address of four bytes", hex_record(4, 0, QByteArray(4, '\0')) + "\n" + end + "\n", false},
        {"line longer than any record", QByteArray(700, '0') + "\n" + end + "\n", false},
        {"zero bytes in place of the records", QByteArray(64, '\0'), false},
    };
    testing_support::temp_dir dir;
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        const QString path = QString::fromStdString(dir.file("fw.clns"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(int(clone_layout::firmware), 'x') + r.firmware);
        f.close();
        EXPECT_EQ(clone_firmware_is_intel_hex(path), r.ok);
    }
    EXPECT_FALSE(clone_firmware_is_intel_hex(QString::fromStdString(dir.file("missing.clns"))));
}
