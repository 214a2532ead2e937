#include "help/ChmSitemap.h"

#include <cstdlib>
#include <map>
#include <optional>

#include "help/ChmArchive.h"
#include "services/Text.h"

namespace qv::help {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

void appendUtf8(std::string& out, unsigned long code) {
    if (code == 0 || code > 0x10FFFF) {
        code = 0xFFFD;
    }
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string decodeEntities(std::string_view text) {
    static const std::map<std::string, unsigned long> kNamed = {
        {"amp", '&'},     {"lt", '<'},      {"gt", '>'},      {"quot", '"'},    {"apos", '\''},
        {"nbsp", 0xA0},   {"aacute", 0xE1}, {"eacute", 0xE9}, {"iacute", 0xED}, {"oacute", 0xF3},
        {"uacute", 0xFA}, {"ntilde", 0xF1}, {"uuml", 0xFC},   {"Aacute", 0xC1}, {"Eacute", 0xC9},
        {"Iacute", 0xCD}, {"Oacute", 0xD3}, {"Uacute", 0xDA}, {"Ntilde", 0xD1}, {"iexcl", 0xA1},
        {"iquest", 0xBF}, {"ordf", 0xAA},   {"ordm", 0xBA}};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t semi = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
        if (semi == std::string_view::npos || semi - i > 10) {
            out += text[i];
            continue;
        }
        std::string name(text.substr(i + 1, semi - i - 1));
        std::optional<unsigned long> code;
        if (name.size() > 1 && name[0] == '#') {
            bool hex = name[1] == 'x' || name[1] == 'X';
            char* end = nullptr;
            unsigned long value = std::strtoul(name.c_str() + (hex ? 2 : 1), &end, hex ? 16 : 10);
            if (end && *end == '\0') {
                code = value;
            }
        } else if (auto found = kNamed.find(name); found != kNamed.end()) {
            code = found->second;
        }
        if (!code) {
            out += text[i];
            continue;
        }
        appendUtf8(out, *code);
        i = semi;
    }
    return out;
}

struct Tag {
    std::string name;                               // lower case; "/ul" for a closing tag
    std::map<std::string, std::string> attributes;  // names lower case
};

// Reads the tag that starts at text[at] == '<'; at moves past its '>'.
Tag readTag(std::string_view text, std::size_t& at) {
    Tag tag;
    std::size_t i = at + 1;
    std::size_t nameStart = i;
    while (i < text.size() && !isSpace(text[i]) && text[i] != '>') {
        ++i;
    }
    tag.name = lowerAZ(text.substr(nameStart, i - nameStart));
    while (i < text.size() && text[i] != '>') {
        while (i < text.size() && (isSpace(text[i]) || text[i] == '/')) {
            ++i;
        }
        std::size_t attrStart = i;
        while (i < text.size() && !isSpace(text[i]) && text[i] != '=' && text[i] != '>') {
            ++i;
        }
        std::string attr = lowerAZ(text.substr(attrStart, i - attrStart));
        std::string value;
        while (i < text.size() && isSpace(text[i])) {
            ++i;
        }
        if (i < text.size() && text[i] == '=') {
            ++i;
            while (i < text.size() && isSpace(text[i])) {
                ++i;
            }
            if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
                char quote = text[i++];
                std::size_t end = text.find(quote, i);
                if (end == std::string_view::npos) {
                    end = text.size();
                }
                value = text.substr(i, end - i);
                i = end < text.size() ? end + 1 : end;
            } else {
                std::size_t valueStart = i;
                while (i < text.size() && !isSpace(text[i]) && text[i] != '>') {
                    ++i;
                }
                value = text.substr(valueStart, i - valueStart);
            }
        }
        if (!attr.empty()) {
            tag.attributes.emplace(attr, decodeEntities(value));
        }
    }
    at = i < text.size() ? i + 1 : i;
    return tag;
}

}  // namespace

std::vector<SitemapEntry> parseSitemap(std::string_view bytes) {
    std::string text = helpTextToUtf8(bytes);
    std::vector<SitemapEntry> root;
    // Each level is the list new entries go into; a level's pointer stays valid because only
    // the innermost list grows.
    std::vector<std::vector<SitemapEntry>*> levels{&root};
    std::optional<SitemapEntry> open;
    std::size_t at = 0;
    while ((at = text.find('<', at)) != std::string::npos) {
        if (text.compare(at, 4, "<!--") == 0) {
            std::size_t end = text.find("-->", at + 4);
            at = end == std::string::npos ? text.size() : end + 3;
            continue;
        }
        Tag tag = readTag(text, at);
        if (tag.name == "ul") {
            std::vector<SitemapEntry>* current = levels.back();
            levels.push_back(current->empty() ? current : &current->back().children);
        } else if (tag.name == "/ul") {
            if (levels.size() > 1) {
                levels.pop_back();
            }
        } else if (tag.name == "object") {
            if (lowerAZ(tag.attributes["type"]) == "text/sitemap") {
                open.emplace();
            }
        } else if (tag.name == "param" && open) {
            std::string name = lowerAZ(tag.attributes["name"]);
            const std::string& value = tag.attributes["value"];
            if (name == "name" && open->name.empty()) {
                open->name = value;
            } else if (name == "local") {
                open->locals.push_back(value);
            }
        } else if (tag.name == "/object" && open) {
            if (!open->name.empty() || !open->locals.empty()) {
                levels.back()->push_back(std::move(*open));
            }
            open.reset();
        }
    }
    return root;
}

}  // namespace qv::help
