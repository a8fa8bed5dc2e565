// Feeds arbitrary bytes to the settings-file reader as the text of a file.
// Whatever the bytes, reading returns, a key that was set reads back as set,
// and the text written back parses to the same answers.
#include "core/ProfileFile.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

constexpr const char* kKeys[] = {"STARTFLG", "PREFLAG", "MESSAGE", "DATAPATH", "SOUNDFILE", "FONTNAME", ""};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    kvx::ProfileText text(bytes);
    for (const char* key : kKeys) {
        text.read("Kalvendorix", key, kvx::ProfileFile::kMaxValueBytes);
        text.read("kalvendorix", key, 4096);
    }
    const std::string value = "新しい値 1";
    text.set("Kalvendorix", "FUZZKEY", value);
    require(text.read("KALVENDORIX", "fuzzkey", 255) == value);
    text.set("Other", "PREFLAG", "2");
    require(text.read("Other", "PREFLAG", 255) == std::optional<std::string>("2"));
    require(text.read("Kalvendorix", "FUZZKEY", 255) == value);

    const kvx::ProfileText again(text.bytes());
    require(again.bytes() == text.bytes());
    for (const char* key : kKeys) {
        require(again.read("Kalvendorix", key, 4096) == text.read("Kalvendorix", key, 4096));
        require(again.read("Other", key, 255) == text.read("Other", key, 255));
    }
    require(again.read("Kalvendorix", "FUZZKEY", 255) == value);
    return 0;
}
