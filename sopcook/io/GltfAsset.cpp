// glTF 2.0 assets: parsing the container, resolving buffers, checking
// buffer views and accessors, and serializing an asset again.
#include "GltfAsset.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include "FileAccess.h"
#include "GeoFileError.h"

namespace {

constexpr std::uint32_t GLB_MAGIC = 0x46546C67;       // "glTF"
constexpr std::uint32_t GLB_JSON_CHUNK = 0x4E4F534A;  // "JSON"
constexpr std::uint32_t GLB_BIN_CHUNK = 0x004E4942;   // "BIN\0"
// Deeper JSON than this is refused: serializing it again recurses.
constexpr int MAX_JSON_DEPTH = 64;

std::uint32_t readU32(std::string_view d, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(d[at + i]);
    return v;
}

void appendU32(std::string &out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::size_t componentSize(int type) {
    switch (type) {
        case GLTF_BYTE:
        case GLTF_UNSIGNED_BYTE:
            return 1;
        case GLTF_SHORT:
        case GLTF_UNSIGNED_SHORT:
            return 2;
        case GLTF_UNSIGNED_INT:
        case GLTF_FLOAT:
            return 4;
        default:
            return 0;
    }
}

int componentsOf(const std::string &type) {
    static const std::pair<const char *, int> types[] = {{"SCALAR", 1}, {"VEC2", 2}, {"VEC3", 3}, {"VEC4", 4},
                                                         {"MAT2", 4},   {"MAT3", 9}, {"MAT4", 16}};
    for (auto &t : types)
        if (type == t.first) return t.second;
    return 0;
}

/// Rows of a matrix of components (2, 3 or 4 square).
int matrixRows(int components) { return components == 4 ? 2 : components == 9 ? 3 : 4; }

/// Element bytes: matrix columns start on 4-byte boundaries.
std::size_t elementSize(int components, std::size_t comp, bool matrix) {
    if (!matrix) return components * comp;
    const std::size_t rows = static_cast<std::size_t>(matrixRows(components));
    return rows * ((rows * comp + 3) / 4 * 4);
}

std::string item(const std::string &array, std::size_t i) { return array + "[" + std::to_string(i) + "]"; }

const GltfJson *member(const GltfJson &obj, const char *key) {
    auto it = obj.find(key);
    return it == obj.end() ? nullptr : &*it;
}

/// The array member key of root (empty when absent).
const GltfJson &arrayOf(const GltfJson &root, const char *key, const std::string &file) {
    static const GltfJson empty = GltfJson::array();
    const GltfJson *a = member(root, key);
    if (!a) return empty;
    if (!a->is_array()) gltfFail(file, key, "expected an array");
    return *a;
}

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

std::string base64Decode(std::string_view s, const std::string &file, const std::string &where) {
    while (!s.empty() && s.back() == '=') s.remove_suffix(1);
    std::string out;
    out.reserve(s.size() * 3 / 4);
    unsigned bits = 0, n = 0;
    for (char c : s) {
        int v = base64Value(c);
        if (v < 0) gltfFail(file, where, "expected base64 data in the data: URI");
        bits = (bits << 6) | static_cast<unsigned>(v);
        n += 6;
        if (n >= 8) {
            n -= 8;
            out += static_cast<char>((bits >> n) & 0xFF);
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/// uri with its %XX escapes decoded.
std::string percentDecode(const std::string &uri) {
    std::string out;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && hexValue(uri[i + 1]) >= 0 && hexValue(uri[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(uri[i + 1]) * 16 + hexValue(uri[i + 2]));
            i += 2;
        } else {
            out += uri[i];
        }
    }
    return out;
}

/// The bytes a buffer's uri names: a base64 data: URI or a file relative
/// to the asset's folder (other schemes are refused).
std::string bufferData(const std::string &uri, const std::string &file, const std::string &where) {
    if (uri.rfind("data:", 0) == 0) {
        auto comma = uri.find(',');
        if (comma == std::string::npos || comma < 12 || uri.compare(comma - 7, 7, ";base64") != 0)
            gltfFail(file, where, "expected a base64 data: URI");
        return base64Decode(std::string_view(uri).substr(comma + 1), file, where);
    }
    if (uri.find("://") != std::string::npos || uri.empty() || uri[0] == '/')
        gltfFail(file, where, "expected a data: URI or a relative file name, not '" + uri + "'");
    auto slash = file.find_last_of('/');
    std::string path = (slash == std::string::npos ? "" : file.substr(0, slash + 1)) + percentDecode(uri);
    try {
        return readWholeFile(path);
    } catch (const GeoFileError &e) {
        gltfFail(file, where, e.what());
    }
}

struct Container {
    std::string_view json;
    std::string_view bin;
    bool hasBin = false;
};

Container splitGlb(std::string_view d, const std::string &file) {
    Container c;
    if (d.size() < 20) throw GeoFileError::atByte(file, 0, "expected a GLB header and a JSON chunk");
    if (readU32(d, 4) != 2) throw GeoFileError::atByte(file, 4, "expected GLB version 2");
    if (readU32(d, 8) != d.size())
        throw GeoFileError::atByte(file, 8,
                                   "the GLB header gives " + std::to_string(readU32(d, 8)) + " bytes; the file has " +
                                       std::to_string(d.size()));
    std::size_t at = 12;
    for (int chunk = 0; at < d.size(); ++chunk) {
        if (d.size() - at < 8) throw GeoFileError::atByte(file, at, "expected a chunk header");
        std::size_t len = readU32(d, at);
        std::uint32_t type = readU32(d, at + 4);
        if (len > d.size() - at - 8) throw GeoFileError::atByte(file, at, "the chunk overruns the file");
        std::string_view body = d.substr(at + 8, len);
        if (chunk == 0) {
            if (type != GLB_JSON_CHUNK) throw GeoFileError::atByte(file, at + 4, "expected the JSON chunk first");
            c.json = body;
        } else if (chunk == 1 && type == GLB_BIN_CHUNK) {
            c.bin = body;
            c.hasBin = true;
        } else if (type == GLB_JSON_CHUNK || type == GLB_BIN_CHUNK) {
            throw GeoFileError::atByte(file, at + 4, "expected one JSON chunk and at most one binary chunk after it");
        }
        at += 8 + len;  // chunks of other types are skipped
    }
    return c;
}

GltfJson parseJson(std::string_view text, const std::string &file) {
    auto depth = [&](int d, GltfJson::parse_event_t, GltfJson &) {
        if (d > MAX_JSON_DEPTH)
            gltfFail(file, "JSON", "nested deeper than " + std::to_string(MAX_JSON_DEPTH) + " levels");
        return true;
    };
    try {
        return GltfJson::parse(text.begin(), text.end(), depth);
    } catch (const GltfJson::exception &e) {
        gltfFail(file, "JSON", e.what());
    }
}

void loadBuffers(GltfAsset &a, const Container &c, bool glb) {
    const GltfJson &buffers = arrayOf(a.json, "buffers", a.file);
    for (std::size_t i = 0; i < buffers.size(); ++i) {
        const std::string where = item("buffers", i);
        const GltfJson &b = buffers[i];
        if (!b.is_object()) gltfFail(a.file, where, "expected an object");
        std::size_t length = static_cast<std::size_t>(gltfIndex(b, "byteLength", a.file, where, -1, 0x7FFFFFFFFFFFLL));
        if (length < 1) gltfFail(a.file, where + ".byteLength", "expected at least 1");
        std::string data;
        if (const GltfJson *uri = member(b, "uri")) {
            if (!uri->is_string()) gltfFail(a.file, where + ".uri", "expected a string");
            data = bufferData(uri->get<std::string>(), a.file, where + ".uri");
        } else if (glb && i == 0 && c.hasBin) {
            data = std::string(c.bin);
        } else {
            gltfFail(a.file, where, "has no uri and is not the GLB binary chunk");
        }
        if (data.size() < length)
            gltfFail(a.file, where,
                     "byteLength is " + std::to_string(length) + " but the data has " + std::to_string(data.size()) +
                         " bytes");
        data.resize(length);
        a.buffers.push_back(std::move(data));
    }
}

/// Checks that bytes [offset, offset + length) lie in buffer view view
/// (or, with view < 0, are fine) and returns the view's stride (0 when
/// it gives none).
std::size_t checkInView(const GltfAsset &a, std::int64_t view, std::size_t offset, std::size_t length,
                        const std::string &where) {
    const GltfJson &v = a.json["bufferViews"][static_cast<std::size_t>(view)];
    std::size_t viewLength = static_cast<std::size_t>(v["byteLength"].get<std::int64_t>());
    if (offset > viewLength || length > viewLength - offset)
        gltfFail(a.file, where,
                 "needs bytes " + std::to_string(offset) + " to " + std::to_string(offset + length) +
                     " of bufferView " + std::to_string(view) + ", which has " + std::to_string(viewLength));
    auto it = v.find("byteStride");
    return it == v.end() ? 0 : static_cast<std::size_t>(it->get<std::int64_t>());
}

void checkBufferViews(const GltfAsset &a) {
    const GltfJson &views = arrayOf(a.json, "bufferViews", a.file);
    for (std::size_t i = 0; i < views.size(); ++i) {
        const std::string where = item("bufferViews", i);
        const GltfJson &v = views[i];
        if (!v.is_object()) gltfFail(a.file, where, "expected an object");
        std::int64_t buffer =
            gltfIndex(v, "buffer", a.file, where, -1, static_cast<std::int64_t>(a.buffers.size()) - 1);
        std::int64_t offset = gltfIndex(v, "byteOffset", a.file, where, 0, 0x7FFFFFFFFFFFLL);
        std::int64_t length = gltfIndex(v, "byteLength", a.file, where, -1, 0x7FFFFFFFFFFFLL);
        std::int64_t stride = gltfIndex(v, "byteStride", a.file, where, 0, 252);
        if (length < 1) gltfFail(a.file, where + ".byteLength", "expected at least 1");
        if (member(v, "byteStride") && (stride < 4 || stride % 4 != 0))
            gltfFail(a.file, where + ".byteStride", "expected a multiple of 4 from 4 to 252");
        std::int64_t size = static_cast<std::int64_t>(a.buffers[static_cast<std::size_t>(buffer)].size());
        if (offset > size || length > size - offset)
            gltfFail(a.file, where,
                     "overruns buffer " + std::to_string(buffer) + " (" + std::to_string(size) + " bytes)");
    }
}

/// The layout of one accessor, read without trusting it.
GltfAccessorLayout layoutOf(const GltfAsset &a, const GltfJson &acc, const std::string &where) {
    if (!acc.is_object()) gltfFail(a.file, where, "expected an object");
    GltfAccessorLayout l;
    l.componentType = static_cast<int>(gltfIndex(acc, "componentType", a.file, where));
    std::size_t comp = componentSize(l.componentType);
    if (comp == 0) gltfFail(a.file, where + ".componentType", "expected 5120, 5121, 5122, 5123, 5125 or 5126");
    const GltfJson *type = member(acc, "type");
    l.components = type && type->is_string() ? componentsOf(type->get<std::string>()) : 0;
    if (l.components == 0) gltfFail(a.file, where + ".type", "expected SCALAR, VEC2, VEC3, VEC4, MAT2, MAT3 or MAT4");
    if (const GltfJson *n = member(acc, "normalized")) {
        if (!n->is_boolean()) gltfFail(a.file, where + ".normalized", "expected true or false");
        l.normalized = n->get<bool>();
        if (l.normalized && (l.componentType == GLTF_FLOAT || l.componentType == GLTF_UNSIGNED_INT))
            gltfFail(a.file, where + ".normalized", "only byte and short components are normalized");
    }
    l.count = static_cast<std::size_t>(gltfIndex(acc, "count", a.file, where));
    if (l.count < 1) gltfFail(a.file, where + ".count", "expected at least 1");
    l.matrix = type->get<std::string>().rfind("MAT", 0) == 0;
    l.elementSize = elementSize(l.components, comp, l.matrix);
    return l;
}

/// Checks that count elements of size bytes at byteOffset of the view
/// member of obj fit it, aligned to comp; stride 0 means packed.
void checkRange(const GltfAsset &a, const GltfJson &obj, std::size_t count, std::size_t size, std::size_t comp,
                bool strided, const std::string &where) {
    const std::int64_t views = static_cast<std::int64_t>(arrayOf(a.json, "bufferViews", a.file).size());
    std::int64_t view = gltfIndex(obj, "bufferView", a.file, where, -1, views - 1);
    std::size_t offset = static_cast<std::size_t>(gltfIndex(obj, "byteOffset", a.file, where, 0));
    std::size_t viewOffset = static_cast<std::size_t>(
        a.json["bufferViews"][static_cast<std::size_t>(view)].value("byteOffset", std::int64_t(0)));
    if (offset % comp != 0 || viewOffset % comp != 0)
        gltfFail(a.file, where + ".byteOffset",
                 "the data does not start on a multiple of its component size (" + std::to_string(comp) + ")");
    std::size_t stride = checkInView(a, view, offset, size, where);
    if (!strided) stride = 0;
    if (stride != 0 && (stride < size || stride % comp != 0))
        gltfFail(a.file, where,
                 "bufferView " + std::to_string(view) + "'s byteStride " + std::to_string(stride) + " does not hold " +
                     std::to_string(size) + "-byte elements");
    std::size_t step = stride ? stride : size;
    // step is at most 252 bytes and count below 2^32: no overflow.
    checkInView(a, view, offset, step * (count - 1) + size, where);
}

void checkAccessors(const GltfAsset &a, std::size_t totalBytes) {
    const GltfJson &accessors = arrayOf(a.json, "accessors", a.file);
    for (std::size_t i = 0; i < accessors.size(); ++i) {
        const std::string where = item("accessors", i);
        const GltfJson &acc = accessors[i];
        GltfAccessorLayout l = layoutOf(a, acc, where);
        std::size_t comp = componentSize(l.componentType);
        if (member(acc, "bufferView")) {
            checkRange(a, acc, l.count, l.elementSize, comp, true, where);
        } else if (l.count * l.elementSize > std::max<std::size_t>(16 * totalBytes, 1 << 20)) {
            // Without a view the accessor is zeros; bound the memory it takes.
            gltfFail(a.file, where + ".count", "too large for an accessor without a bufferView in a file this size");
        }
        const GltfJson *sparse = member(acc, "sparse");
        if (!sparse) continue;
        const std::string sw = where + ".sparse";
        if (!sparse->is_object()) gltfFail(a.file, sw, "expected an object");
        std::size_t n =
            static_cast<std::size_t>(gltfIndex(*sparse, "count", a.file, sw, -1, static_cast<std::int64_t>(l.count)));
        if (n < 1) gltfFail(a.file, sw + ".count", "expected at least 1");
        const GltfJson *idx = member(*sparse, "indices");
        const GltfJson *val = member(*sparse, "values");
        if (!idx || !idx->is_object() || !val || !val->is_object())
            gltfFail(a.file, sw, "expected indices and values objects");
        int it = static_cast<int>(gltfIndex(*idx, "componentType", a.file, sw + ".indices"));
        if (it != GLTF_UNSIGNED_BYTE && it != GLTF_UNSIGNED_SHORT && it != GLTF_UNSIGNED_INT)
            gltfFail(a.file, sw + ".indices.componentType", "expected 5121, 5123 or 5125");
        checkRange(a, *idx, n, componentSize(it), componentSize(it), false, sw + ".indices");
        checkRange(a, *val, n, l.elementSize, comp, false, sw + ".values");
        // Indices must increase strictly and stay below count.
        std::size_t view = static_cast<std::size_t>((*idx)["bufferView"].get<std::int64_t>());
        const GltfJson &v = a.json["bufferViews"][view];
        const std::string &buf = a.buffers[v["buffer"].get<std::size_t>()];
        std::size_t at = v.value("byteOffset", std::size_t(0)) + idx->value("byteOffset", std::size_t(0));
        std::int64_t last = -1;
        for (std::size_t k = 0; k < n; ++k) {
            std::size_t cs = componentSize(it);
            std::uint32_t x = 0;
            for (std::size_t b = cs; b-- > 0;) x = (x << 8) | static_cast<unsigned char>(buf[at + k * cs + b]);
            if (static_cast<std::int64_t>(x) <= last || x >= l.count)
                gltfFail(a.file, sw + ".indices", "index " + std::to_string(x) + " is out of order or out of range");
            last = x;
        }
    }
}

/// Where accessor-like obj's data starts in its buffer, and its stride.
const char *dataStart(const GltfAsset &a, const GltfJson &obj, std::size_t &stride) {
    std::size_t view = static_cast<std::size_t>(obj["bufferView"].get<std::int64_t>());
    const GltfJson &v = a.json["bufferViews"][view];
    const std::string &buf = a.buffers[v["buffer"].get<std::size_t>()];
    stride = v.value("byteStride", std::size_t(0));
    return buf.data() + v.value("byteOffset", std::size_t(0)) + obj.value("byteOffset", std::size_t(0));
}

float componentValue(const unsigned char *p, int type, bool normalized) {
    switch (type) {
        case GLTF_BYTE: {
            float v = static_cast<float>(static_cast<std::int8_t>(p[0]));
            return normalized ? std::max(v / 127.0f, -1.0f) : v;
        }
        case GLTF_UNSIGNED_BYTE:
            return normalized ? p[0] / 255.0f : p[0];
        case GLTF_SHORT: {
            float v = static_cast<float>(static_cast<std::int16_t>(p[0] | (p[1] << 8)));
            return normalized ? std::max(v / 32767.0f, -1.0f) : v;
        }
        case GLTF_UNSIGNED_SHORT: {
            float v = static_cast<float>(p[0] | (p[1] << 8));
            return normalized ? v / 65535.0f : v;
        }
        case GLTF_UNSIGNED_INT:
            return static_cast<float>(static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16) |
                                                                 (static_cast<std::uint32_t>(p[3]) << 24)));
        default: {
            std::uint32_t bits = static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) |
                                 (static_cast<std::uint32_t>(p[3]) << 24);
            float f;
            std::memcpy(&f, &bits, 4);
            return f;
        }
    }
}

}  // namespace

void gltfFail(const std::string &file, const std::string &where, const std::string &what) {
    throw GeoFileError::ofFile(file, where + ": " + what);
}

std::int64_t gltfIndex(const GltfJson &obj, const char *key, const std::string &file, const std::string &where,
                       std::int64_t dflt, std::int64_t most) {
    const GltfJson *m = member(obj, key);
    if (!m) {
        if (dflt < 0) gltfFail(file, where, std::string("expected the member ") + key);
        return dflt;
    }
    std::int64_t v = -1;
    if (m->is_number_unsigned())
        v = m->get<std::uint64_t>() > static_cast<std::uint64_t>(most) ? -1 : m->get<std::int64_t>();
    else if (m->is_number_integer())
        v = m->get<std::int64_t>();
    if (v < 0 || v > most) gltfFail(file, where + "." + key, "expected an integer from 0 to " + std::to_string(most));
    return v;
}

GltfAsset loadGltfAsset(std::string_view data, const std::string &file) {
    GltfAsset a;
    a.file = file;
    const bool glb = data.size() >= 4 && readU32(data, 0) == GLB_MAGIC;
    Container c = glb ? splitGlb(data, file) : Container{data, {}, false};
    a.json = parseJson(c.json, file);
    if (!a.json.is_object()) gltfFail(file, "JSON", "expected an object");
    const GltfJson *asset = member(a.json, "asset");
    const GltfJson *version = asset && asset->is_object() ? member(*asset, "version") : nullptr;
    if (!version || !version->is_string() || version->get<std::string>().rfind("2.", 0) != 0)
        gltfFail(file, "asset.version", "expected glTF version 2.x");
    for (const GltfJson &ext : arrayOf(a.json, "extensionsRequired", file)) {
        // Compressed geometry cannot be read through plain accessors.
        if (ext == "KHR_draco_mesh_compression" || ext == "EXT_meshopt_compression" || ext == "KHR_meshopt_compression")
            gltfFail(file, "extensionsRequired",
                     "compressed geometry (" + ext.get<std::string>() + ") is not supported");
    }
    loadBuffers(a, c, glb);
    std::size_t total = data.size();
    for (const std::string &b : a.buffers) total += b.size();
    checkBufferViews(a);
    a.bytes = total;
    checkAccessors(a, total);
    return a;
}

GltfAccessorLayout gltfAccessorLayout(const GltfAsset &asset, std::size_t index) {
    return layoutOf(asset, asset.json["accessors"][index], item("accessors", index));
}

std::string gltfAccessorBytes(const GltfAsset &a, std::size_t index) {
    const GltfJson &acc = a.json["accessors"][index];
    GltfAccessorLayout l = gltfAccessorLayout(a, index);
    std::string out(l.count * l.elementSize, '\0');
    if (acc.contains("bufferView")) {
        std::size_t stride = 0;
        const char *src = dataStart(a, acc, stride);
        if (stride == 0) stride = l.elementSize;
        for (std::size_t i = 0; i < l.count; ++i) std::memcpy(&out[i * l.elementSize], src + i * stride, l.elementSize);
    }
    if (auto it = acc.find("sparse"); it != acc.end()) {
        const GltfJson &s = *it;
        std::size_t n = s["count"].get<std::size_t>(), ignored = 0;
        const char *idx = dataStart(a, s["indices"], ignored);
        const char *val = dataStart(a, s["values"], ignored);
        std::size_t cs = componentSize(s["indices"]["componentType"].get<int>());
        for (std::size_t k = 0; k < n; ++k) {
            std::uint32_t x = 0;
            for (std::size_t b = cs; b-- > 0;) x = (x << 8) | static_cast<unsigned char>(idx[k * cs + b]);
            std::memcpy(&out[x * l.elementSize], val + k * l.elementSize, l.elementSize);
        }
    }
    return out;
}

std::vector<float> gltfAccessorFloats(const GltfAsset &a, std::size_t index) {
    GltfAccessorLayout l = gltfAccessorLayout(a, index);
    const std::string bytes = gltfAccessorBytes(a, index);
    const std::size_t comp = componentSize(l.componentType);
    const int rows = l.matrix ? matrixRows(l.components) : l.components;
    const int columns = l.components / rows;
    const std::size_t columnBytes = l.elementSize / columns;
    std::vector<float> out;
    out.reserve(l.count * l.components);
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    for (std::size_t i = 0; i < l.count; ++i)
        for (int c = 0; c < columns; ++c)
            for (int r = 0; r < rows; ++r) {
                float v =
                    componentValue(p + i * l.elementSize + c * columnBytes + r * comp, l.componentType, l.normalized);
                if (!std::isfinite(v))
                    gltfFail(a.file, item("accessors", index),
                             "element " + std::to_string(i) + " is not a finite number");
                out.push_back(v);
            }
    return out;
}

std::vector<std::uint32_t> gltfAccessorIndices(const GltfAsset &a, std::size_t index, const std::string &where) {
    GltfAccessorLayout l = gltfAccessorLayout(a, index);
    if (l.components != 1 || l.normalized ||
        (l.componentType != GLTF_UNSIGNED_BYTE && l.componentType != GLTF_UNSIGNED_SHORT &&
         l.componentType != GLTF_UNSIGNED_INT))
        gltfFail(a.file, where, "expected a SCALAR accessor of unsigned bytes, shorts or ints");
    const std::string bytes = gltfAccessorBytes(a, index);
    std::vector<std::uint32_t> out(l.count);
    const std::size_t cs = l.elementSize;
    for (std::size_t i = 0; i < l.count; ++i) {
        std::uint32_t x = 0;
        for (std::size_t b = cs; b-- > 0;) x = (x << 8) | static_cast<unsigned char>(bytes[i * cs + b]);
        out[i] = x;
    }
    return out;
}

std::string serializeGltf(GltfJson json, const std::string &bin, bool binary) {
    if (!binary) {
        if (!bin.empty()) {
            static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
            std::string uri = "data:application/octet-stream;base64,";
            uri.reserve(uri.size() + (bin.size() + 2) / 3 * 4);
            for (std::size_t i = 0; i < bin.size(); i += 3) {
                std::uint32_t v = static_cast<unsigned char>(bin[i]) << 16;
                if (i + 1 < bin.size()) v |= static_cast<unsigned char>(bin[i + 1]) << 8;
                if (i + 2 < bin.size()) v |= static_cast<unsigned char>(bin[i + 2]);
                uri += digits[(v >> 18) & 63];
                uri += digits[(v >> 12) & 63];
                uri += i + 1 < bin.size() ? digits[(v >> 6) & 63] : '=';
                uri += i + 2 < bin.size() ? digits[v & 63] : '=';
            }
            json["buffers"][0]["uri"] = uri;
        }
        return json.dump(1, '\t') + "\n";
    }
    if (!bin.empty()) json["buffers"][0].erase("uri");
    std::string text = json.dump();
    text.append((4 - text.size() % 4) % 4, ' ');
    std::string padded = bin;
    padded.append((4 - padded.size() % 4) % 4, '\0');
    std::string out;
    appendU32(out, GLB_MAGIC);
    appendU32(out, 2);
    appendU32(out, static_cast<std::uint32_t>(12 + 8 + text.size() + (padded.empty() ? 0 : 8 + padded.size())));
    appendU32(out, static_cast<std::uint32_t>(text.size()));
    appendU32(out, GLB_JSON_CHUNK);
    out += text;
    if (!padded.empty()) {
        appendU32(out, static_cast<std::uint32_t>(padded.size()));
        appendU32(out, GLB_BIN_CHUNK);
        out += padded;
    }
    return out;
}
