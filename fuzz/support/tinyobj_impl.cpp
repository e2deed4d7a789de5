// tinyobjloader's implementation, instrumented with the fuzz targets.
#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>
