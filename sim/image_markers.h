// The texts by which the simulated controller recognises what an installed image carries:
// the firmware and its version, the loader image and the hook that programs it, a logic
// record and the hook that programs it, and the PROFINET image. The generator of the
// installed files writes them; the controller's version model looks for them in what it
// receives. A marker is its tag and, for versions, numbers separated by dots.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace image_marker {

constexpr const char* firmware = "TVX-FW ";       // "TVX-FW 1.17.06.012"
constexpr const char* loader = "TVX-FLD ";        // "TVX-FLD 1.06.00"
constexpr const char* program_loader = "TVX-PRGFLD";
constexpr const char* logic = "TVX-LOGIC ";       // "TVX-LOGIC 3.20" (major, minor as the file gives them)
constexpr const char* program_logic = "TVX-ISPPROG";
constexpr const char* profinet = "TVX-PN ";       // "TVX-PN 2.1.0.8"

// The marker text with its numbers ("TVX-FW 1.17.06.012"); two digits for every number
// after the first except a fourth of the firmware (three).
std::string make(const char* tag, const std::vector<unsigned>& numbers = {});

// Looks for `tag` in the bytes; true when it is there, with the dot-separated numbers that
// follow it (up to `max_numbers`).
bool find(const uint8_t* data, size_t n, const char* tag, std::vector<unsigned>* numbers = nullptr,
          size_t max_numbers = 4);

}  // namespace image_marker
