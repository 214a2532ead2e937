#include "services/ErrorText.h"

namespace qv {

std::string withFullStop(std::string_view text) {
    std::string shown(text);
    // Every byte of a UTF-8 sequence is above '.', so the last byte decides for any character.
    if (!shown.empty() && static_cast<unsigned char>(shown.back()) > '.') {
        shown += '.';
    }
    return shown;
}

}  // namespace qv
