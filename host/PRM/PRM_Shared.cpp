#include "PRM_Shared.h"

PRM_Default PRMzeroDefaults[] = {PRM_Default(0), PRM_Default(0), PRM_Default(0), PRM_Default(0)};
PRM_Default PRMoneDefaults[] = {PRM_Default(1), PRM_Default(1), PRM_Default(1), PRM_Default(1)};
// A UV interval inset from the unit square's edges.
PRM_Default PRMuvRangeDefaults[] = {PRM_Default(0.1f), PRM_Default(0.9f), PRM_Default(0.1f), PRM_Default(0.9f)};

PRM_Range PRMunitRange(PRM_RANGE_RESTRICTED, 0, PRM_RANGE_RESTRICTED, 1);
PRM_Range PRMnonNegativeRange(PRM_RANGE_RESTRICTED, 0, PRM_RANGE_UI, 100);
PRM_Range PRMangleRange(PRM_RANGE_UI, 0, PRM_RANGE_UI, 360);

PRM_Name PRMgroupName("group", "Group");
