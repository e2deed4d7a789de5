#pragma once
// Every parameter record of the kit, for node code that builds templates.
#include "PRM_Callback.h"
#include "PRM_ChoiceList.h"
#include "PRM_Default.h"
#include "PRM_Name.h"
#include "PRM_Range.h"
#include "PRM_Shared.h"
#include "PRM_Template.h"
#include "PRM_Type.h"
