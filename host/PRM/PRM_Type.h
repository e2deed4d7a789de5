#pragma once

/// Kind of a parameter template. Float kinds hold floats, integer kinds
/// (including toggles and menus) hold whole numbers, string kinds hold text.
/// A "_J" kind is the same as its plain kind with a jump-to-value slider in
/// the host's interface, which this kit has no use for.
enum PRM_Type {
    PRM_LIST_TERMINATOR = 0,  ///< ends a template list
    PRM_FLT,
    PRM_FLT_J,
    PRM_FLT_MINMAX,
    PRM_ANGLE,
    PRM_ANGLE_J,
    PRM_ANGLE_MINMAX_J,
    PRM_INT,
    PRM_INT_J,
    PRM_TOGGLE,
    PRM_ORD,  ///< a menu: the value is the item index
    PRM_STRING,
    PRM_CALLBACK,   ///< a button: no value, pressing calls its callback
    PRM_SEPARATOR,  ///< decoration only: no value
    PRM_MULTI       ///< a multi-parameter list (made by the multi form of PRM_Template)
};

/// Whether parameters of this kind hold floats.
inline bool PRMisFloatType(PRM_Type t) {
    return t == PRM_FLT || t == PRM_FLT_J || t == PRM_FLT_MINMAX || t == PRM_ANGLE || t == PRM_ANGLE_J ||
           t == PRM_ANGLE_MINMAX_J;
}
/// Whether parameters of this kind hold whole numbers (a multi list's value
/// is its instance count).
inline bool PRMisIntType(PRM_Type t) {
    return t == PRM_INT || t == PRM_INT_J || t == PRM_TOGGLE || t == PRM_ORD || t == PRM_MULTI;
}
/// Whether parameters of this kind hold text.
inline bool PRMisStringType(PRM_Type t) { return t == PRM_STRING; }
/// Whether parameters of this kind hold a value at all.
inline bool PRMhasValue(PRM_Type t) { return PRMisFloatType(t) || PRMisIntType(t) || PRMisStringType(t); }

/// Kinds of multi-parameter lists.
enum PRM_MultiType {
    PRM_MULTITYPE_LIST = 0,  ///< instances stacked one under the other
    PRM_MULTITYPE_SCROLL = 1,
    PRM_MULTITYPE_SWITCHER = 2
};
