#pragma once

#include <string>
#include <string_view>
#include <vector>

// The sitemap files of compiled help: the table of contents (.hhc) and the index (.hhk).
namespace qv::help {

// One entry: its name and the topics it points to ("Local" values, in file order), with the
// entries nested under it.
struct SitemapEntry {
    std::string name;
    std::vector<std::string> locals;
    std::vector<SitemapEntry> children;
};

// Reads a sitemap. Names and topics come back as UTF-8 with HTML entities replaced; nesting
// follows the file's <UL> lists. Anything that is not a sitemap object is ignored.
std::vector<SitemapEntry> parseSitemap(std::string_view text);

}  // namespace qv::help
