#include "SvgIds.h"
#include <cctype>
#include <map>

void renumberSurfaceIds(std::string &svg) {
    static const std::string word = "surface";
    std::map<std::string, std::string> names;
    std::string out;
    out.reserve(svg.size());
    std::size_t from = 0;
    for (std::size_t at = svg.find(word); at != std::string::npos; at = svg.find(word, at)) {
        std::size_t end = at + word.size();
        while (end < svg.size() && std::isdigit(static_cast<unsigned char>(svg[end]))) ++end;
        // Only a name: "surface" then digits, after a quote or '#'.
        const bool named = end > at + word.size() && at > 0 && (svg[at - 1] == '"' || svg[at - 1] == '#');
        if (!named) {
            at = end;
            continue;
        }
        const std::string digits = svg.substr(at + word.size(), end - at - word.size());
        auto it = names.try_emplace(digits, std::to_string(names.size() + 1)).first;
        out.append(svg, from, at + word.size() - from);
        out += it->second;
        from = at = end;
    }
    out.append(svg, from, std::string::npos);
    svg.swap(out);
}
