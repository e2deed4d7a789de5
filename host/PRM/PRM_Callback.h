#pragma once

class PRM_Template;

/// A button's callback. data is the node that owns the button (the address
/// of the most-derived node object, so a callback may static_cast it to its
/// own node class); index is the multi-parameter instance number of the
/// button, or 0 for a top-level one; time is the time of the press; tplate
/// is the button's template. The return value is ignored by this kit.
typedef int (*PRM_Callback)(void *data, int index, float time, const PRM_Template *tplate);
