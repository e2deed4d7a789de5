#include "GeometryFile.h"
#include <algorithm>
#include <cctype>
#include "FileAccess.h"
#include "GeoFileError.h"
#include "GeoFormat.h"
#include "GltfFormat.h"
#include "ObjFormat.h"
#include "OffFormat.h"

GeoFormat formatForPath(const std::string &path) {
    auto dot = path.find_last_of('.');
    auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return GeoFormat::Unknown;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == "geo") return GeoFormat::Geo;
    if (ext == "obj") return GeoFormat::Obj;
    if (ext == "off") return GeoFormat::Off;
    if (ext == "ply") return GeoFormat::Ply;
    if (ext == "gltf") return GeoFormat::Gltf;
    if (ext == "glb") return GeoFormat::Glb;
    return GeoFormat::Unknown;
}

static GeoFileError unknownFormat(const std::string &path) {
    return GeoFileError::ofFile(path, "unknown geometry format (use .geo, .obj, .off, .ply, .gltf or .glb)");
}

void readGeometryFile(const std::string &path, GU_Detail &gdp, std::vector<std::string> &notes) {
    GeoFormat f = formatForPath(path);
    if (f == GeoFormat::Unknown) throw unknownFormat(path);
    std::string data = readWholeFile(path);
    gdp.clearAndDestroy();
    switch (f) {
        case GeoFormat::Geo:
            readGeo(data, path, gdp);
            break;
        case GeoFormat::Obj:
            readObj(data, path, gdp, notes);
            break;
        case GeoFormat::Off:
            readOff(data, path, gdp);
            break;
        case GeoFormat::Ply:
            readPly(data, path, gdp);
            break;
        default:
            readGltf(data, path, gdp, notes);
            break;
    }
}

std::string formatGeometry(const std::string &path, const GU_Detail &gdp, std::vector<std::string> &notes,
                           const WriteOptions &options) {
    switch (formatForPath(path)) {
        case GeoFormat::Geo:
            return writeGeo(gdp, path);
        case GeoFormat::Obj:
            return writeObj(gdp, notes);
        case GeoFormat::Off:
            return writeOff(gdp, notes);
        case GeoFormat::Ply:
            return writePly(gdp, options.plyEncoding, notes);
        case GeoFormat::Gltf:
        case GeoFormat::Glb: {
            // Only a glTF source is copied; others give a new asset.
            GeoFormat src = formatForPath(options.sourcePath);
            bool copy = src == GeoFormat::Gltf || src == GeoFormat::Glb;
            return writeGltf(gdp, path, formatForPath(path) == GeoFormat::Glb, copy ? options.sourcePath : "", notes);
        }
        default:
            throw unknownFormat(path);
    }
}

void writeGeometryFile(const std::string &path, const GU_Detail &gdp, std::vector<std::string> &notes,
                       const WriteOptions &options) {
    writeFileAtomically(path, formatGeometry(path, gdp, notes, options));
}
