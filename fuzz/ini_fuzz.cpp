// The settings-file parser on arbitrary bytes: parse then serialize gives the
// bytes back, lookups never crash, and an edit is read back as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runtime/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    runtime::IniDocument document = runtime::IniDocument::parse(content);
    if (document.serialize() != content) std::abort();

    for (std::string_view section : {"KZRT", "kzrt", "", "a"}) {
        for (std::string_view key : {"Port", "baud", "", "=", ";"}) document.value(section, key);
    }

    document.setValue("KZRT", "Port", "7");
    if (document.value("kzrt", "PORT") != runtime::Text("7")) std::abort();
    const std::string edited = document.serialize();
    if (runtime::IniDocument::parse(edited).serialize() != edited) std::abort();

    document.removeKey("KZRT", "Port");
    document.removeSection("kzrt");
    if (document.value("KZRT", "Port")) {
        // Only a second [KZRT] section could still hold the key.
        const std::string rest = document.serialize();
        if (rest.size() >= edited.size()) std::abort();
    }
    return 0;
}
