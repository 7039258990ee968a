// Program files: round trips with the file encodings, the older sizes, refused sizes,
// format codes, newer files, range failures, and saves that fail without losing the file.
#include <QDir>

#include "core/files/program_file.h"
#include "core/image/core_state.h"
#include "core/image/working_image.h"
#include "files_fixture.h"

class program_file : public files_test {
protected:
    void SetUp() override
    {
        files_test::SetUp();
        g_host_context().change_flags() = 0;
        file = data_file("cd_data/prog.cdx");
        g_program_file().current_file = file;
    }
    // A program that uses every section of the image.
    static config_image sample()
    {
        config_image img;
        reset_config_image(img);
        settings_header h = img.header();
        h.set_field(hdr::scanner, 3);
        h.set_field(hdr::in_func3, 5);
        h.set_field(hdr::mac_id, 17);
        h.set_field(hdr::setting_300, 1234);
        for (uint32_t n : {0u, 5u, 127u, 128u, 511u}) {
            const function_record_bytes d = function_record_clear(img.header());
            std::memcpy(img.function(n).data(), d.data(), d.size());
            img.function(n).set_in_use(true);
            img.function(n).set_name("F" + std::to_string(n));
            img.function(n).set_field(fr::object_pos, int32_t(n * 10));
        }
        for (uint32_t n : {128u, 255u}) {
            img.tool_type(n).set_in_use(1);
            img.tool_type(n).record().set_u8(0, uint8_t(n));
        }
        for (uint32_t n : {0u, 499u}) {
            img.tool(n).set_in_use(1);
            img.tool(n).record().set_u8(10, uint8_t(n));
        }
        return img;
    }
    static int32_t stored(const QByteArray& b, uint32_t off)
    {
        int32_t v;
        std::memcpy(&v, b.constData() + off, 4);
        return v;  // the test machine is little-endian, as the files are
    }
    static void set_stored(QByteArray& b, uint32_t off, int32_t v) { std::memcpy(b.data() + off, &v, 4); }
    bool load() { return load_configuration_file(false, err); }

    QString file;
    error_record err;
};

TEST_F(program_file, saved_and_loaded_gives_the_same_image_and_leaves_memory_untouched)
{
    for (int32_t mac : {17, 63, 0}) {
        g_config_image() = sample();
        g_config_image().header().set_field(hdr::mac_id, mac);
        const config_image before = g_config_image();
        ASSERT_EQ(write_file_with_permissions(file), 0);
        EXPECT_EQ(g_config_image(), before);  // saving never changes the image in memory

        const QByteArray disk = read(file);
        ASSERT_EQ(disk.size(), 274008);
        EXPECT_EQ(stored(disk, hdr::in_func1), -1);  // defaults stored as -1
        EXPECT_EQ(stored(disk, hdr::in_func3), 5);
        EXPECT_EQ(stored(disk, hdr::in_func_key), -1);
        EXPECT_EQ(stored(disk, hdr::in_func13), -1);
        EXPECT_EQ(stored(disk, hdr::mac_id), mac == 63 ? 0 : mac == 0 ? 63 : mac);

        g_config_image() = config_image{};
        ASSERT_TRUE(load()) << err.code;
        EXPECT_EQ(err.code, 0);
        EXPECT_TRUE(g_config_image() == before) << mac;
        EXPECT_FALSE(g_images().no_file_loaded);
    }
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(g_host_context().change_flags(), 0x10u);
}

TEST_F(program_file, older_sizes_load_with_free_tool_types_tools_and_functions)
{
    const QByteArray full = encode_program_file(sample());
    write(file, full.left(94760));
    g_config_image() = sample();  // whatever was in use before must not survive
    ASSERT_TRUE(load());
    EXPECT_TRUE(g_config_image().function(511).in_use());
    for (uint32_t n = 0; n < 256; ++n)
        ASSERT_FALSE(g_config_image().tool_type(n).in_use()) << n;
    for (uint32_t n = 0; n < 500; ++n)
        ASSERT_FALSE(g_config_image().tool(n).in_use()) << n;
    EXPECT_EQ(g_config_image().header().field(hdr::mac_id), 17);

    write(file, full.left(24104));
    g_config_image() = sample();
    ASSERT_TRUE(load());
    EXPECT_TRUE(g_config_image().function(127).in_use());
    EXPECT_EQ(g_config_image().function(127).name(), "F127");
    for (uint32_t n = 128; n < 512; ++n)
        ASSERT_FALSE(g_config_image().function(n).in_use()) << n;
    EXPECT_TRUE(shown.empty());
}

TEST_F(program_file, other_sizes_are_refused_and_a_missing_file_gives_defaults)
{
    const QByteArray full = encode_program_file(sample());
    for (int size : {274009, 274007, 94761, 94759, 24105, 24103, 0}) {
        write(file, size <= full.size() ? full.left(size) : full + QByteArray(size - full.size(), 0));
        shown.clear();
        EXPECT_FALSE(load()) << size;
        EXPECT_EQ(err.code, 22) << size;
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].code, 22);
        EXPECT_EQ(shown[0].severity, err_severity_error);
    }
    QFile::remove(file);
    shown.clear();
    g_config_image() = sample();
    EXPECT_TRUE(load());
    EXPECT_EQ(err.code, 0);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(g_images().no_file_loaded);
    config_image defaults;
    reset_config_image(defaults);
    EXPECT_EQ(std::memcmp(g_config_image().data(), defaults.data(), 552), 0);

    g_config_image() = sample();
    EXPECT_TRUE(load_configuration_file(true, err));  // reset only
    EXPECT_TRUE(g_images().no_file_loaded);
    EXPECT_FALSE(g_config_image().function(0).in_use());
}

TEST_F(program_file, an_existing_file_that_cannot_be_read_is_an_error)
{
    ASSERT_TRUE(QDir().mkpath(file));  // exists, cannot be opened as a file
    EXPECT_FALSE(load());
    EXPECT_EQ(err.code, 33);
    ASSERT_FALSE(ui_fake.prompts().empty());
    EXPECT_TRUE(ui_fake.prompts().back().text.startsWith("Host: Error reading file\n\"")) << ui_fake.prompts().back().text.toStdString();
    EXPECT_FALSE(g_images().no_file_loaded);
}

TEST_F(program_file, format_codes_and_newer_files)
{
    QByteArray bytes = encode_program_file(sample());
    struct row {
        int32_t code;
        bool ok;
        int error;
        uint32_t flags;
    };
    const row rows[] = {
        {0x0000344B, true, 0, 0x10},
        {0x3233344B, true, 0, 0x10},   // the host's own code in its 32-bit form is not newer
        {0x0000004B, false, 19, 0x10},
        {0x0000334B, true, 0, 0x10},   // older: raised to 0x344B
    };
    for (const row& r : rows) {
        set_stored(bytes, 0, r.code);
        write(file, bytes);
        g_host_context().change_flags() = 0;
        EXPECT_EQ(load(), r.ok) << std::hex << r.code;
        EXPECT_EQ(err.code, r.error) << std::hex << r.code;
        EXPECT_EQ(g_host_context().change_flags(), r.flags) << std::hex << r.code;
        if (r.ok) {
            EXPECT_EQ(g_config_image().header().field(0) & 0xFFFF, r.code == 0x0000334B ? 0x344B : r.code & 0xFFFF);
        }
    }

    // A newer file with 80 fields: its five extra fields must be 0.
    set_stored(bytes, 0, 0x3450);
    std::memset(bytes.data() + 304, 0, 20);
    write(file, bytes);
    g_host_context().change_flags() = 0x02;
    shown.clear();
    EXPECT_TRUE(load());
    EXPECT_EQ(g_host_context().change_flags(), 0x11u);  // bit 1 cleared, bit 0: the file is newer
    EXPECT_TRUE(shown.empty());

    set_stored(bytes, 320, 7);
    write(file, bytes);
    EXPECT_TRUE(load());  // a warning only
    EXPECT_EQ(err.code, 20);
    EXPECT_EQ(g_host_context().change_flags() & 0x02, 0x02u);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].severity, err_severity_warning);

    // A field count past the header does not reach into the functions.
    set_stored(bytes, 0, 0x34FF);
    std::memset(bytes.data() + 304, 0, 248);
    write(file, bytes);
    shown.clear();
    EXPECT_TRUE(load());
    EXPECT_TRUE(shown.empty());
}

TEST_F(program_file, minus_one_reads_as_the_default_and_ranges_are_checked)
{
    QByteArray bytes = encode_program_file(sample());
    for (uint32_t off = 120; off <= 300; off += 4)
        set_stored(bytes, off, -1);
    set_stored(bytes, hdr::variant_bits, -1);
    write(file, bytes);
    ASSERT_TRUE(load());
    for (uint32_t off = 120; off <= 300; off += 4)
        EXPECT_EQ(g_config_image().header().field(off), settings_default(off)) << off;
    EXPECT_EQ(g_config_image().header().field(hdr::in_func1), 1);
    EXPECT_EQ(g_config_image().header().field(hdr::mac_id), 63);
    EXPECT_EQ(g_config_image().header().field(hdr::variant_bits), 0);

    bytes = encode_program_file(sample());
    set_stored(bytes, image_layout::function_offset + 5 * 184 + fr::out2, 17);
    write(file, bytes);
    g_host_context().change_flags() = 0;
    EXPECT_FALSE(load());
    EXPECT_EQ(err.code, 21);
    EXPECT_EQ(g_host_context().change_flags() & 0x03, 0x03u);

    bytes = encode_program_file(sample());
    set_stored(bytes, image_layout::function_offset + 5 * 184 + fr::mode, 128);
    write(file, bytes);
    EXPECT_FALSE(load());
    EXPECT_EQ(err.code, 29);
}

TEST_F(program_file, variant_bits_apply_after_a_load)
{
    config_image img = sample();
    img.header().set_field(hdr::variant_bits, 1);
    img.function(0).set_in_use(false);
    write(file, encode_program_file(img));
    ASSERT_TRUE(load());
    EXPECT_EQ(g_device().family_flag, 1);
    EXPECT_TRUE(g_config_image().function(0).in_use());
}

TEST_F(program_file, a_failed_save_reports_and_keeps_the_old_file)
{
    g_config_image() = sample();
    ASSERT_EQ(write_file_with_permissions(file), 0);
    const QByteArray old = read(file);
    g_config_image().header().set_field(hdr::scanner, 9);
    QFile(file).setPermissions(QFileDevice::ReadOwner);
    EXPECT_EQ(write_file_with_permissions(file), 3);
    EXPECT_EQ(read(file), old);
    ASSERT_FALSE(ui_fake.prompts().empty());
    EXPECT_EQ(ui_fake.prompts().back().title, QString("ERROR"));
    EXPECT_TRUE(ui_fake.prompts().back().text.startsWith("Host: Error writing file\n\""));
    EXPECT_EQ(write_file_with_permissions(q(app.file("missing-dir/x.cdx"))), 3);
}
