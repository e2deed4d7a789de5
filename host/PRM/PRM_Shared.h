#pragma once
#include "PRM_Default.h"
#include "PRM_Name.h"
#include "PRM_Range.h"

/// Records shared by every node type. The default arrays hold four records
/// so that tuples of up to four components can use them.
extern PRM_Default PRMzeroDefaults[];     ///< 0 for every component
extern PRM_Default PRMoneDefaults[];      ///< 1 for every component
extern PRM_Default PRMuvRangeDefaults[];  ///< 0.1, 0.9 (a UV interval)
extern PRM_Range PRMunitRange;            ///< 0 to 1, both ends restricted
extern PRM_Range PRMnonNegativeRange;     ///< 0 (restricted) to 100 (interface only)
extern PRM_Range PRMangleRange;           ///< 0 to 360, interface only
extern PRM_Name PRMgroupName;             ///< token "group", label "Group"
