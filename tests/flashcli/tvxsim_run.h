// A test fixture with a tvxsim process in its loader and a working folder inside its own:
// questions to its control, its memory read back, and a generated firmware image as HEX file.
#pragma once
#include "child_process.h"

#include "sim/test_image.h"
#include "tests/sim/tvxsim_process.h"

#include <filesystem>
#include <iterator>

namespace flashcli_child {

inline std::vector<uint8_t> read_bytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct tvxsim_run : public ::testing::Test {
    testing_support::tvxsim_process sim;
    std::filesystem::path dir;

    explicit tvxsim_run(const std::vector<std::string>& args = {}) : sim(args) {}

    void SetUp() override
    {
        ASSERT_TRUE(sim.ok()) << sim.error();
        ASSERT_TRUE(sim.control().load_profile("loader"));
        dir = std::filesystem::path(sim.folder()) / "run";
        std::filesystem::create_directories(dir);
    }
    std::string ask(const std::string& command)
    {
        std::string r;
        EXPECT_TRUE(sim.control().command(command, &r)) << command << ": " << r;
        return r;
    }
    std::vector<uint8_t> memory(uint32_t address, uint32_t n)
    {
        const std::filesystem::path f = dir / "memory.bin";
        ask("memory-save " + std::to_string(address) + " " + std::to_string(n) + " " + f.string());
        return read_bytes(f);
    }
    // A generated image at 0x10000 written as firmware.hex; returns it.
    test_image::hex_image firmware(uint32_t seed, uint32_t data_bytes)
    {
        test_image::hex_options o;
        o.seed = seed;
        o.data_bytes = data_bytes;
        o.base = 0x10000;
        test_image::hex_image img = test_image::make_hex(o);
        write_file((dir / "firmware.hex").string(), img.text);
        return img;
    }
};

}  // namespace flashcli_child
