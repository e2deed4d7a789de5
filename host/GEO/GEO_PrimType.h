#pragma once
/// Primitive type ids.
enum GEO_PrimTypeId : unsigned {
    GEOPRIMPOLY = 0x0001,
    GEOPRIMNURBCURVE = 0x0002,
    GEOPRIMBEZCURVE = 0x0004,
    GEOPRIMMESH = 0x0008,
    GEOPRIMSPHERE = 0x0080,
    GEOPRIMTUBE = 0x0200,
    GEOPRIMPART = 0x8000,
    GEOPRIMOTHER = 0x40000000  ///< any keyword this kit does not know
};
