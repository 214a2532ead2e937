// libFuzzer target: any text through HoraAMinutos. A conversion error is an expected outcome;
// anything else that escapes, or a result that is not a decimal number, is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "import/HoraAMinutos.h"
#include "services/Error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const std::string minutes = qv::HoraAMinutos(text);
        if (minutes.empty()) {
            std::abort();
        }
        for (std::size_t i = 0; i < minutes.size(); ++i) {
            const char c = minutes[i];
            if (!(c >= '0' && c <= '9') && !(i == 0 && c == '-' && minutes.size() > 1)) {
                std::abort();
            }
        }
    } catch (const qv::ConversionError&) {
        // Not a time text: reported to the person, as it should be.
    }
    return 0;
}
