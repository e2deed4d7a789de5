#include "PlyHeader.h"
#include "GeoFileError.h"
#include "TextScanner.h"

namespace {

struct TypeName {
    const char *name;
    PlyType type;
};
const TypeName kTypes[] = {{"char", PlyType::Int8},      {"int8", PlyType::Int8},       {"uchar", PlyType::UInt8},
                           {"uint8", PlyType::UInt8},    {"short", PlyType::Int16},     {"int16", PlyType::Int16},
                           {"ushort", PlyType::UInt16},  {"uint16", PlyType::UInt16},   {"int", PlyType::Int32},
                           {"int32", PlyType::Int32},    {"uint", PlyType::UInt32},     {"uint32", PlyType::UInt32},
                           {"float", PlyType::Float32},  {"float32", PlyType::Float32}, {"double", PlyType::Float64},
                           {"float64", PlyType::Float64}};

PlyType readType(TextScanner &in) {
    std::string_view t = in.next();
    for (const TypeName &n : kTypes)
        if (t == n.name) return n.type;
    in.fail("a PLY type (char, uchar, short, ushort, int, uint, float, double)", t);
}

}  // namespace

std::size_t plySize(PlyType t) {
    switch (t) {
        case PlyType::Int8:
        case PlyType::UInt8:
            return 1;
        case PlyType::Int16:
        case PlyType::UInt16:
            return 2;
        case PlyType::Float64:
            return 8;
        default:
            return 4;
    }
}

bool plyIsFloat(PlyType t) { return t == PlyType::Float32 || t == PlyType::Float64; }

const char *plyName(PlyType t) {
    switch (t) {
        case PlyType::Int8:
            return "char";
        case PlyType::UInt8:
            return "uchar";
        case PlyType::Int16:
            return "short";
        case PlyType::UInt16:
            return "ushort";
        case PlyType::Int32:
            return "int";
        case PlyType::UInt32:
            return "uint";
        case PlyType::Float32:
            return "float";
        default:
            return "double";
    }
}

int PlyElement::find(std::string_view n) const {
    for (size_t i = 0; i < properties.size(); ++i)
        if (properties[i].name == n) return static_cast<int>(i);
    return -1;
}

PlyHeader readPlyHeader(std::string_view data, const std::string &file) {
    auto end = data.find("end_header");
    // Only the header is scanned as text; the body may be binary.
    std::string_view head = data.substr(0, end == std::string_view::npos ? data.size() : end + 10);
    TextScanner in(head, file);
    PlyHeader h;
    in.expect("ply");
    in.expect("format");
    std::string_view f = in.next();
    if (f == "ascii")
        h.encoding = PlyEncoding::Ascii;
    else if (f == "binary_little_endian")
        h.encoding = PlyEncoding::BinaryLittleEndian;
    else if (f == "binary_big_endian")
        h.encoding = PlyEncoding::BinaryBigEndian;
    else
        in.fail("ascii, binary_little_endian or binary_big_endian", f);
    in.expect("1.0");
    for (;;) {
        std::string_view k = in.next();
        if (k == "end_header") break;
        if (k == "comment" || k == "obj_info") {
            in.skipLine();
        } else if (k == "element") {
            PlyElement e;
            e.name = std::string(in.next());
            if (e.name.empty()) in.fail("an element name", e.name);
            e.count = in.integer("an element count", 0, 1LL << 40);
            h.elements.push_back(std::move(e));
        } else if (k == "property") {
            if (h.elements.empty()) in.failHere("expected 'element' before the first 'property'");
            PlyProperty p;
            if (in.peek() == "list") {
                in.next();
                p.isList = true;
                p.countType = readType(in);
                if (plyIsFloat(p.countType)) in.failHere("expected an integer type for a list count");
            }
            p.type = readType(in);
            p.name = std::string(in.next());
            if (p.name.empty()) in.fail("a property name", p.name);
            if (h.elements.back().find(p.name) >= 0)
                in.failHere("property '" + p.name + "' of element '" + h.elements.back().name + "' is declared twice");
            h.elements.back().properties.push_back(std::move(p));
        } else {
            in.fail(end == std::string_view::npos && k.empty()
                        ? "'end_header'"
                        : "a header line (element, property, comment, end_header)",
                    k);
        }
    }
    // The body starts after the end of the end_header line.
    size_t nl = data.find('\n', end);
    h.bodyOffset = nl == std::string_view::npos ? data.size() : nl + 1;
    h.bodyLine = in.line() + 1;
    return h;
}
