#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "help/HelpSystem.h"

namespace qv::help {

// The HTML Help commands the viewer issues.
enum HtmlHelpCommand : unsigned {
    HH_DISPLAY_TOPIC = 0,
    HH_DISPLAY_TOC = 1,
    HH_DISPLAY_INDEX = 2,
    HH_HELP_CONTEXT = 15,
    HH_CLOSE_ALL = 18,
    HH_GET_LAST_ERROR = 20,
};

// The data of an HTML Help call: a number, or a text (the index keyword).
using HtmlHelpData = std::variant<std::uintptr_t, std::string>;

// What shows compiled help: the HTML Help control on Windows, the built-in viewer elsewhere.
class HtmlHelpBackEnd {
public:
    virtual ~HtmlHelpBackEnd() = default;
    // True when the back end can show help at all (on Windows: the control and its entry
    // point were found). Without it the viewer issues no calls.
    virtual bool available() const = 0;
    // One HTML Help call. file is "PATH" or "PATH::/TOPIC", empty for HH_CLOSE_ALL, where the
    // owner is 0 too. Whatever goes wrong (missing file, unknown context) shows nothing.
    virtual void htmlHelp(WindowHandle owner, const std::string& file, unsigned command,
                          const HtmlHelpData& data) = 0;
};

}  // namespace qv::help
