#include <ornatex/Refusal.h>

#include <cstddef>

namespace ornatex {

namespace {

struct RefusalEntry {
    const char* name;
    const char* text;
};

// In the order of the enumeration.
constexpr RefusalEntry refusals[] = {
    {"none", "not refused"},
    {"cannot_read", "the file cannot be read"},
    {"not_an_image", "not a TGA, TIFF or SGI image"},
    {"too_large", "larger than the limits allow"},
    {"truncated", "the file ends before its data"},
    {"unsupported", "a kind of image the loaders do not decode"},
    {"malformed", "the header or its tables are inconsistent"},
    {"no_memory", "out of memory"},
};
static_assert(sizeof refusals / sizeof refusals[0] == static_cast<std::size_t>(Refusal::noMemory) + 1,
              "one entry for every Refusal, noMemory last");

const RefusalEntry& entry(Refusal code) {
    const auto index = static_cast<unsigned>(code);
    return index < sizeof refusals / sizeof refusals[0] ? refusals[index] : refusals[static_cast<unsigned>(Refusal::malformed)];
}

}  // namespace

const char* refusalText(Refusal code) { return entry(code).text; }
const char* refusalName(Refusal code) { return entry(code).name; }

}  // namespace ornatex
