// Progress marks and the upload dump, byte for byte, with the writes the console stream
// makes counted: output is flushed once per callback or per mark, never per byte.
#include <gtest/gtest.h>

#include "flashcli/cli_settings.h"
#include "flashcli/console_io.h"
#include "flashcli/progress.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using flashcli::progress;

// A console stream whose buffer is larger than any test's output, so every write to the
// sink is a flush.
class counting_console {
public:
    counting_console()
    {
        cookie_io_functions_t io{};
        io.write = [](void* c, const char* data, size_t n) -> ssize_t {
            auto* self = static_cast<counting_console*>(c);
            self->text_.append(data, n);
            ++self->writes_;
            return ssize_t(n);
        };
        stream_ = fopencookie(this, "w", io);
        setvbuf(stream_, nullptr, _IOFBF, 1 << 20);
        flashcli::console().out = stream_;
        flashcli::reset_settings();
        flashcli::reset_progress();
    }
    ~counting_console()
    {
        std::fclose(stream_);
        flashcli::reset_console();
    }
    const std::string& text() const { return text_; }
    int writes() const { return writes_; }
    void clear()
    {
        text_.clear();
        writes_ = 0;
    }

private:
    FILE* stream_;
    std::string text_;
    int writes_ = 0;
};

void hex_record(uint8_t type, uint16_t address, uint16_t value = 0)
{
    uint8_t r[8] = {':', 2, uint8_t(address), uint8_t(address >> 8), type, uint8_t(value), uint8_t(value >> 8), 0};
    uint16_t n = 7;
    int32_t last = 0;
    flashcli::hex_download_progress(r, &n, &last, 0);
}

void dump(std::vector<uint8_t> bytes, bool last)
{
    uint16_t n = uint16_t(bytes.size());
    int32_t l = last ? 1 : 0;
    flashcli::upload_dump(bytes.data(), &n, &l, 0);
}

void start_upload(uint16_t segment, uint16_t offset, bool short_output = false)
{
    flashcli::settings().load_segment = segment;
    flashcli::settings().load_offset = offset;
    flashcli::settings().short_output = short_output ? 1 : 0;
    progress().transfer_mark = 1;
}

}  // namespace

TEST(Progress, UnalignedUploadStartsItsLineWithPlaceholders)
{
    counting_console out;
    start_upload(0x8000, 0x0008);
    dump({'A', 'B', ' ', 0xFF, '!', 0x00, 'z', '~'}, true);
    EXPECT_EQ(out.text(), "\n8000:0000  .. .. .. .. .. .. .. ..  41 42 20 ff 21 00 7a 7e   ........AB..!.z~");
    EXPECT_EQ(out.writes(), 1);
}

TEST(Progress, AlignedLinesShowTheirCharactersWhenTheNextLineStarts)
{
    counting_console out;
    start_upload(0x1A3F, 0x0000);  // 0x1A3F0: bank 1000, line a3f0
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 0x20; ++i)
        bytes.push_back(uint8_t(0x30 + i));
    dump(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 20), false);
    const std::string first = "\n1000:a3f0  30 31 32 33 34 35 36 37  38 39 3a 3b 3c 3d 3e 3f   0123456789:;<=>?";
    EXPECT_EQ(out.text(), first + "\n1000:a400  40 41 42 43 ");
    EXPECT_EQ(out.writes(), 1);
    dump(std::vector<uint8_t>(bytes.begin() + 20, bytes.end()), true);
    EXPECT_EQ(out.text(), first + "\n1000:a400  40 41 42 43 44 45 46 47  48 49 4a 4b 4c 4d 4e 4f   @ABCDEFGHIJKLMNO");
    EXPECT_EQ(out.writes(), 2);

    // A short last line is filled with blanks, the extra blank before position 8 kept.
    out.clear();
    start_upload(0, 0);
    dump({1, 2, 3}, true);
    EXPECT_EQ(out.text(), "\n0000:0000  01 02 03 " + std::string(15, ' ') + " " + std::string(24, ' ') + "  ..." +
                              std::string(13, ' '));
}

TEST(Progress, ShortOutputCountsKilobytesFromZeroWhateverTheAddress)
{
    counting_console out;
    start_upload(0x8000, 0x0123, true);
    for (int i = 0; i < 10; ++i)
        dump(std::vector<uint8_t>(300, 0x55), i == 9);
    EXPECT_EQ(out.text(), " *     0 *   400 *   800");
    EXPECT_EQ(out.writes(), 3);
}

TEST(Progress, HexMarksOnAddressRecordsAndEvery16KiB)
{
    counting_console out;
    progress().transfer_mark = 1;
    hex_record(0, 0x0000);
    hex_record(0, 0x3FF0);  // paragraph 0x3FF: less than 0x400 on
    hex_record(4, 0x0000, 0x0001);
    hex_record(0, 0x0010);  // 0x1001: one paragraph on, no mark
    hex_record(0, 0x3FF0);  // 0x13FF: 0x3FF on, no mark
    hex_record(0, 0x4000);  // 0x1400: 0x400 on
    hex_record(2, 0x0000, 0x2000);  // (0x10000 + 0x20000) >> 4
    hex_record(1, 0x0000);
    EXPECT_EQ(out.text(), "\n * 1000H * 1400H * 3000H");
    EXPECT_EQ(out.writes(), 4);  // one per callback that printed
}

TEST(Progress, BinaryMarksEachKilobyteOnce)
{
    counting_console out;
    progress().transfer_mark = 1;
    std::string expected;
    for (uint16_t units = 1; units <= 0x80; ++units) {
        uint16_t n = units;
        int32_t last = 0;
        flashcli::bin_download_progress(nullptr, &n, &last, 0);
        if (units % 4 == 0) {
            char mark[16];
            std::snprintf(mark, sizeof mark, " *%6x", units * 256);
            expected += mark;
        }
    }
    EXPECT_EQ(out.text(), expected);
    EXPECT_EQ(out.writes(), 0x20);  // once per mark
}
