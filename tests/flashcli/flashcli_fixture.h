// Runs the console downloader in-process inside a temporary working folder, with its
// output and input on temporary files, the manual clock and the recording downloader.
#pragma once
#include <gtest/gtest.h>

#include "flashcli/cli_settings.h"
#include "flashcli/console_io.h"
#include "flashcli/flashcli_main.h"
#include "flashcli/testing/recording_downloader.h"
#include "platform/clock.h"
#include "support/test_support.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

class flashcli_run : public ::testing::Test {
protected:
    void SetUp() override
    {
        char buf[4096];
        ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
        old_cwd_ = buf;
        ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    }
    void TearDown() override
    {
        flashcli::reset_console();
        EXPECT_EQ(chdir(old_cwd_.c_str()), 0);
    }

    // Writes a file below the working folder, making its folders.
    void write(const std::string& name, const std::string& text)
    {
        std::string path = dir_.path();
        size_t pos = 0;
        while ((pos = name.find('/', pos)) != std::string::npos) {
            mkdir((path + "/" + name.substr(0, pos)).c_str(), 0755);
            ++pos;
        }
        std::ofstream(path + "/" + name, std::ios::binary) << text;
    }

    // Runs the program; returns its exit status. Output lands in output().
    int run(const flashcli::argument_list& args, const std::string& input = "")
    {
        FILE* out = std::tmpfile();
        FILE* in = std::tmpfile();
        std::fwrite(input.data(), 1, input.size(), in);
        std::rewind(in);
        flashcli::console().out = out;
        flashcli::console().in = in;
        const uint32_t before = clock_.now_ms();
        const int status = flashcli::flashcli_main(args);
        waited_ms_ = clock_.now_ms() - before;
        std::fflush(out);
        std::rewind(out);
        output_.clear();
        char chunk[4096];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, out)) > 0)
            output_.append(chunk, n);
        std::fclose(out);
        std::fclose(in);
        flashcli::reset_console();
        return status;
    }

    const std::string& output() const { return output_; }
    uint32_t waited_ms() const { return waited_ms_; }
    const flashcli::cli_settings& settings() const { return flashcli::settings(); }

    testing_support::temp_dir dir_;
    flashcli::recording_downloader fake_;
    flashcli::scoped_downloader fake_guard_{fake_};
    platform::manual_clock clock_;
    platform::scoped_clock clock_guard_{clock_};

private:
    std::string old_cwd_;
    std::string output_;
    uint32_t waited_ms_ = 0;
};
