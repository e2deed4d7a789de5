#pragma once

/// A parameter's or menu item's internal name (token) and label. The
/// strings are not copied: the caller must keep them alive as long as the
/// name is used (string literals, normally). A name with no token (or an
/// empty one) ends a menu item list.
class PRM_Name {
public:
    constexpr PRM_Name(const char *token = 0, const char *label = 0, int expandflag = 0)
        : myToken(token), myLabel(label), myExpandFlag(expandflag) {}

    /// The token; never null ("" when none was given).
    const char *getToken() const { return myToken ? myToken : ""; }
    /// The label, or the token when no label was given.
    const char *getLabel() const { return myLabel ? myLabel : getToken(); }
    int getExpandFlag() const { return myExpandFlag; }
    /// Whether this name ends a list (no token or an empty one).
    bool isTerminator() const { return !myToken || !*myToken; }

private:
    const char *myToken;
    const char *myLabel;
    int myExpandFlag;
};
